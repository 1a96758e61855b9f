// One opened MP3 file and its way to 44100 Hz stereo float: libmpg123 decodes,
// SDL's audio stream converts when the file has another rate or channel count.
#pragma once

#include "platform/audio_device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct mpg123_handle_struct;

struct Mp3Stream {
    std::string path;
    int fd = -1; // the open file, read by the decoder and closed with the stream
    mpg123_handle_struct* decoder = nullptr;
    long sourceRate = 0;
    int sourceChannels = 0;
    // Null when the file already is 44100 Hz stereo: then decoding goes
    // straight into the mix buffer.
    std::unique_ptr<platform::SampleConverter> converter;
    int chunkFrames = 0;             // source frames per put into the converter
    std::vector<float> decodeBuffer; // one chunk of source frames, allocated at open
    bool decoderDone = false;        // libmpg123 has given its last sample
    bool finished = false;           // the last output frame has been rendered
    int64_t sourceFrames = 0;        // decoded since the first sample
    int64_t outputFrames = 0;        // rendered since the first sample
    int silencePuts = 0;             // padding used to push out the converter's tail

    Mp3Stream() = default;
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;
    ~Mp3Stream();
};

// Opens the file and reads its format without decoding or scanning it, and
// primes the converter: reads from the disk and allocates, so never on the
// device's thread or under a lock anyone waits for. Null when the file is missing,
// empty, not MP3 or not a regular file; never waits for a FIFO or a device.
std::unique_ptr<Mp3Stream> openMp3Stream(const char* path);

// Renders up to `frames` output frames into `out` (interleaved stereo).
// Fewer than asked means the stream has ended. Reads the file; never
// allocates once the stream has been opened.
int renderMp3Stream(Mp3Stream& stream, float* out, int frames);

// The stream's whole length in microseconds, from the file's header where it
// has one, else estimated from its size; -1 when unknown.
int64_t mp3StreamLengthMicroseconds(Mp3Stream& stream);
