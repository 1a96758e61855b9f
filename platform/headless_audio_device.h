// An audio device without sound hardware: the caller pulls the output
// itself, on whatever thread it likes. Used by tests and benchmarks.
#pragma once

#include "platform/audio_device.h"

#include <mutex>
#include <string>

namespace platform {

class HeadlessAudioDevice : public AudioDevice {
public:
    // Makes open() fail with this reason, as a machine without sound would.
    void failOpenWith(const char* reason);

    bool open(AudioPullFn pull, void* user) override;
    void resume() override;
    void pause() override;
    void close() override;
    const char* lastError() const override { return error_.c_str(); }
    // Unclocked unless told otherwise; clocked, it stands in for a sound
    // card whose pulls must not wait (a test of what a slow decoder costs).
    bool clocked() const override { return clocked_; }
    void setClocked(bool clocked) { clocked_ = clocked; }

    // Fills `frames` stereo frames as the device thread would; silence while
    // the device is closed or paused. False when nothing was pulled.
    bool pull(float* out, int frames);

private:
    std::mutex mutex_; // held while the pull function runs, so close() can wait
    AudioPullFn pull_ = nullptr;
    void* user_ = nullptr;
    bool running_ = false;
    bool clocked_ = false;
    std::string failReason_;
    std::string error_;
};

} // namespace platform
