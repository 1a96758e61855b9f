#include "audio/mp3_stream.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

using platform::kOutputChannels;
using platform::kOutputRate;

// SDL's audio stream gathers puts smaller than this many source frames and
// resamples them as one block, losing the fraction of a frame at each block's
// end. Larger puts are resampled at once.
constexpr int kResamplerBlockFrames = 512;
// The converter is primed to hold this much beyond one chunk's output (see
// primeConverter).
constexpr int kPrimeSlackFrames = 512;
// The resampler holds back well under this many chunks; the bound only keeps
// a misbehaving converter from looping for ever.
constexpr int kMaxSilencePuts = 64;

bool initialiseLibrary()
{
    static const bool ok = mpg123_init() == MPG123_OK;
    return ok;
}

mpg123_handle* newDecoder()
{
    if (!initialiseLibrary())
        return nullptr;
    mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
    if (decoder == nullptr)
        return nullptr;
    // ADD_FLAGS, not FLAGS: setting the flags outright would clear the
    // default gapless flag and the encoder's padding would be heard.
    // ID3v2 tags are skipped unparsed: nothing reads them, and parsing would
    // allocate while decoding.
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_QUIET | MPG123_SKIP_ID3V2, 0);
    return decoder;
}

// SDL's resampler rounds each block's output down to whole frames and drops
// the fraction, which would shorten the track and lower its pitch a little
// with every block. Putting a whole number of rate periods (160 frames at
// 48000 Hz make exactly 147 at 44100 Hz), at least one resampler block at a
// time, leaves no fraction.
int converterChunkFrames(long sourceRate)
{
    long period = sourceRate / std::gcd(sourceRate, long(kOutputRate));
    return int(period * ((kResamplerBlockFrames + period - 1) / period));
}

int chunkOutputFrames(const Mp3Stream& stream)
{
    return int(int64_t(stream.chunkFrames) * kOutputRate / stream.sourceRate);
}

// Decodes into `out` until `bytes` are filled or the file ends; returns the
// bytes written.
size_t decode(Mp3Stream& stream, float* out, size_t bytes)
{
    auto* dest = reinterpret_cast<unsigned char*>(out);
    size_t total = 0;
    while (total < bytes && !stream.decoderDone) {
        size_t done = 0;
        int result = mpg123_read(stream.decoder, dest + total, bytes - total, &done);
        total += done;
        if (result == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0, encoding = 0;
            mpg123_getformat(stream.decoder, &rate, &channels, &encoding);
            // A stream that changes its format midway is cut there.
            if (rate != stream.sourceRate || channels != stream.sourceChannels)
                stream.decoderDone = true;
        } else if (result != MPG123_OK) {
            // MPG123_DONE, or an error in a damaged file: either way the end.
            stream.decoderDone = true;
        }
    }
    return total;
}

int renderDirect(Mp3Stream& stream, float* out, int frames)
{
    constexpr size_t frameBytes = sizeof(float) * kOutputChannels;
    size_t bytes = decode(stream, out, size_t(frames) * frameBytes);
    int got = int(bytes / frameBytes);
    stream.sourceFrames += got;
    return got;
}

// Output frames that the decoded source frames make at the output rate.
int64_t expectedOutputFrames(const Mp3Stream& stream)
{
    return (stream.sourceFrames * kOutputRate + stream.sourceRate / 2) / stream.sourceRate;
}

// Puts the next chunk into the converter: decoded frames while there are any,
// then silence until the resampler has let out the source's last frame
// (flushing instead can lose its last frames). False when nothing more is
// owed. `delivered` counts the output frames already taken.
bool putNextChunk(Mp3Stream& stream, int64_t delivered)
{
    platform::SampleConverter& converter = *stream.converter;
    if (!stream.decoderDone) {
        size_t frameBytes = sizeof(float) * size_t(stream.sourceChannels);
        size_t bytes = decode(stream, stream.decodeBuffer.data(), size_t(stream.chunkFrames) * frameBytes);
        int got = int(bytes / frameBytes);
        stream.sourceFrames += got;
        if (got > 0)
            converter.put(stream.decodeBuffer.data(), got);
        return true;
    }
    int64_t owed = expectedOutputFrames(stream) - delivered;
    if (converter.available() >= owed || stream.silencePuts >= kMaxSilencePuts)
        return false;
    std::fill(stream.decodeBuffer.begin(), stream.decodeBuffer.end(), 0.0f);
    converter.put(stream.decodeBuffer.data(), stream.chunkFrames);
    ++stream.silencePuts;
    return true;
}

// SDL's audio stream queues its output in packets that it allocates when its
// pool runs short and keeps for reuse. Rendering only puts into an empty
// queue, one chunk at a time, so filling the queue here, at open, past one
// chunk's output grows the pool to all it will ever need.
// The primed frames are the stream's first, played as usual.
void primeConverter(Mp3Stream& stream)
{
    while (stream.converter->available() < chunkOutputFrames(stream) + kPrimeSlackFrames
           && putNextChunk(stream, stream.outputFrames)) {
    }
}

// A fresh converter forgets everything the resampler has seen.
bool resetConverter(Mp3Stream& stream)
{
    auto fresh = platform::makeSampleConverter(int(stream.sourceRate), stream.sourceChannels);
    if (fresh == nullptr)
        return false;
    stream.converter = std::move(fresh);
    return true;
}

// Takes what the converter holds before putting more, so it never holds more
// than one chunk: then SDL's queue stays within the memory it was given at
// creation, and decoding ahead never allocates.
int renderConverted(Mp3Stream& stream, float* out, int frames)
{
    int done = 0;
    for (;;) {
        int wanted = frames - done;
        if (stream.decoderDone) {
            // The padding must not be heard: stop exactly at the source's length.
            int64_t owed = expectedOutputFrames(stream) - (stream.outputFrames + done);
            wanted = int(std::clamp<int64_t>(owed, 0, wanted));
        }
        done += stream.converter->get(out + size_t(done) * kOutputChannels, wanted);
        if (done == frames || !putNextChunk(stream, stream.outputFrames + done))
            return done;
    }
}

// Only a regular file (links followed) is handed to the decoder: opening a
// FIFO waits for a writer, reading a device may never end, and a folder has
// nothing to play. The check comes first so nothing else is opened at all,
// and again on the open file in case the path changed in between; the open
// itself does not wait either way.
int openRegularFile(const char* path)
{
    struct stat info {};
    if (::stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

Mp3Stream::~Mp3Stream()
{
    if (decoder != nullptr) {
        mpg123_close(decoder);
        mpg123_delete(decoder);
    }
    if (fd >= 0)
        ::close(fd);
}

std::unique_ptr<Mp3Stream> openMp3Stream(const char* path)
{
    if (path == nullptr)
        return nullptr;
    auto stream = std::make_unique<Mp3Stream>();
    stream->decoder = newDecoder();
    if (stream->decoder == nullptr)
        return nullptr;
    stream->path = path;
    stream->fd = openRegularFile(path);
    if (stream->fd < 0 || mpg123_open_fd(stream->decoder, stream->fd) != MPG123_OK)
        return nullptr;
    // Reads only up to the first frame: the file is not scanned.
    int encoding = 0;
    if (mpg123_getformat(stream->decoder, &stream->sourceRate, &stream->sourceChannels, &encoding) != MPG123_OK)
        return nullptr;
    if (encoding != MPG123_ENC_FLOAT_32 || stream->sourceRate <= 0 || stream->sourceChannels < 1
        || stream->sourceChannels > 2)
        return nullptr;
    if (stream->sourceRate != kOutputRate || stream->sourceChannels != kOutputChannels) {
        stream->chunkFrames = converterChunkFrames(stream->sourceRate);
        stream->decodeBuffer.assign(size_t(stream->chunkFrames) * size_t(stream->sourceChannels), 0.0f);
        if (!resetConverter(*stream))
            return nullptr;
        primeConverter(*stream);
    }
    return stream;
}

int renderMp3Stream(Mp3Stream& stream, float* out, int frames)
{
    if (stream.finished || frames <= 0)
        return 0;
    int got = stream.converter ? renderConverted(stream, out, frames) : renderDirect(stream, out, frames);
    stream.outputFrames += got;
    if (got < frames)
        stream.finished = true;
    return got;
}

int64_t mp3StreamLengthMicroseconds(Mp3Stream& stream)
{
    if (stream.decoder == nullptr || stream.sourceRate <= 0)
        return -1;
    const off_t frames = mpg123_length(stream.decoder);
    if (frames <= 0)
        return -1;
    return static_cast<int64_t>(frames) * 1000000 / stream.sourceRate;
}
