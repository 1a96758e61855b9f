#include "platform/headless_audio_device.h"

#include <algorithm>

namespace platform {

void HeadlessAudioDevice::failOpenWith(const char* reason)
{
    failReason_ = reason;
}

bool HeadlessAudioDevice::open(AudioPullFn pull, void* user)
{
    if (!failReason_.empty()) {
        error_ = failReason_;
        return false;
    }
    std::lock_guard lock(mutex_);
    pull_ = pull;
    user_ = user;
    running_ = false;
    return true;
}

void HeadlessAudioDevice::resume()
{
    std::lock_guard lock(mutex_);
    running_ = pull_ != nullptr;
}

void HeadlessAudioDevice::pause()
{
    std::lock_guard lock(mutex_);
    running_ = false;
}

void HeadlessAudioDevice::close()
{
    std::lock_guard lock(mutex_);
    pull_ = nullptr;
    user_ = nullptr;
    running_ = false;
}

bool HeadlessAudioDevice::pull(float* out, int frames)
{
    std::lock_guard lock(mutex_);
    if (!running_) {
        std::fill(out, out + frames * kOutputChannels, 0.0f);
        return false;
    }
    pull_(user_, out, frames);
    return true;
}

} // namespace platform
