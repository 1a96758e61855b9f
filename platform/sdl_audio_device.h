// The real sound output: an SDL2 audio device at 44100 Hz stereo float.
#pragma once

#include "platform/audio_device.h"

#include <cstdint>
#include <string>

namespace platform {

class SdlAudioDevice : public AudioDevice {
public:
    ~SdlAudioDevice() override;

    bool open(AudioPullFn pull, void* user) override;
    void resume() override;
    void pause() override;
    void close() override;
    const char* lastError() const override { return error_.c_str(); }

private:
    static void callback(void* self, uint8_t* stream, int bytes);

    uint32_t device_ = 0;
    AudioPullFn pull_ = nullptr;
    void* user_ = nullptr;
    std::string error_;
};

} // namespace platform
