// The sound output the audio engine pulls into, and the sample-rate
// conversion it borrows from the platform. The SDL implementation plays
// through a real device; the headless one lets tests pull the output.
#pragma once

#include <memory>

namespace platform {

constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;
// About 23 ms at 44100 Hz: a click is heard within one or two frames.
constexpr int kDeviceBufferFrames = 1024;

// Fills `frames` interleaved stereo float frames; runs on the device's thread.
using AudioPullFn = void (*)(void* user, float* out, int frames);

class AudioDevice {
public:
    virtual ~AudioDevice() = default;
    // Opens a 44100 Hz stereo float output, paused. False when no device
    // opens; lastError() then says why.
    virtual bool open(AudioPullFn pull, void* user) = 0;
    virtual void resume() = 0;
    virtual void pause() = 0;
    // Returns once the pull function is no longer running and never will be.
    virtual void close() = 0;
    virtual const char* lastError() const = 0;
    // True for a device that takes its samples by its own clock (a sound
    // card): its pull must never wait. A device pulled by its caller when it
    // likes (tests, benchmarks) lets the pull wait for samples still being
    // decoded, so what it gets does not depend on timing.
    virtual bool clocked() const { return true; }
};

// Converts interleaved float audio of one rate and channel count to the
// output format. Frames put in come out in order; leftovers stay inside until
// taken or cleared.
class SampleConverter {
public:
    virtual ~SampleConverter() = default;
    virtual bool put(const float* samples, int frames) = 0;
    // Output frames that can be taken now.
    virtual int available() const = 0;
    // Takes up to `frames` output frames; returns how many it took.
    virtual int get(float* out, int frames) = 0;
    virtual void clear() = 0;
};

// Null when the converter cannot be made for this format.
std::unique_ptr<SampleConverter> makeSampleConverter(int inRate, int inChannels);

} // namespace platform
