// The audio engine the player drives: thirteen operations on MP3 streams.
//
// Handles are small non-zero numbers; 0 means "no stream" / "no event", and
// every operation on handle 0 or an unknown handle fails without effect.
// All operations are called from the main thread. The end-of-stream callback
// runs on a thread of the engine and must only hand the event on.
#pragma once

#include <cstdint>

using StreamHandle = uint32_t;
using SyncHandle = uint32_t;

// Called once when a playing stream has delivered its last sample.
using EndCallback = void (*)(SyncHandle sync, StreamHandle stream, void* user);

constexpr int kSpectrumBins = 256;
constexpr uint32_t kMaxVolume = 10000;

class AudioEngine {
public:
    virtual ~AudioEngine() = default;

    // Opens the default output device at 44100 Hz. False when there is none;
    // lastError() then says why.
    virtual bool init() = 0;
    // Opens an MP3 file as a stream without decoding it; 0 on failure.
    virtual StreamHandle openStream(const char* path) = 0;
    // Starts the output (mixing the playing streams).
    virtual bool start() = 0;
    // Plays a stream; with restart from its first sample, else from where
    // stop left it. Starting over reads the file again as it is now, which
    // an engine may do on a thread of its own after play has returned; the
    // stream is heard once its first samples are ready. When the file gives
    // nothing to play, the stream goes silent and inactive by itself and
    // raises no end event, and play returns false where the engine already
    // knows (a resume of a stream whose last play gave nothing).
    virtual bool play(StreamHandle stream, bool restart) = 0;
    // Silences a stream at once and keeps its position; raises no end event.
    virtual bool stop(StreamHandle stream) = 0;
    // Sets a one-time end-of-stream event; returns its handle, 0 on failure.
    // It fires once the stream has played its last sample, and never for a
    // play that gave no sample at all.
    virtual SyncHandle setEndSync(StreamHandle stream, EndCallback callback, void* user) = 0;
    // Removes an event; harmless when it has fired already.
    virtual bool removeSync(StreamHandle stream, SyncHandle sync) = 0;
    // 256 magnitudes of a 512-sample FFT of what the stream plays now. Fails
    // and leaves `out` untouched for a stream that is not playing.
    virtual bool spectrum(StreamHandle stream, float out[kSpectrumBins]) = 0;
    // Non-zero while the stream plays.
    virtual bool isActive(StreamHandle stream) = 0;
    // Global stream volume, 0 to 10000, linear; full volume until first set.
    virtual bool setVolume(uint32_t volume) = 0;
    // Stops the output.
    virtual bool stopOutput() = 0;
    // Frees one stream.
    virtual bool freeStream(StreamHandle stream) = 0;
    // Frees every stream and the device; waits for an end callback in flight.
    virtual bool freeAll() = 0;

    // Why the last failing init() failed (a one-line reason).
    virtual const char* lastError() const = 0;

    // The stream's whole length and how far it has played, in microseconds;
    // -1 when unknown (an engine that cannot tell need not override them).
    virtual int64_t lengthMicroseconds(StreamHandle) { return -1; }
    virtual int64_t positionMicroseconds(StreamHandle) { return -1; }
};
