// The real sound output: an SDL2 audio device at 44100 Hz stereo float,
// opened again by itself when its device or sound server goes away.
#pragma once

#include "platform/audio_device.h"
#include "platform/output_keeper.h"

#include <cstdint>
#include <string>

namespace platform {

class SdlAudioDevice : public AudioDevice, private OutputBackend {
public:
    SdlAudioDevice() = default;
    ~SdlAudioDevice() override;

    bool open(AudioPullFn pull, void* user) override;
    void resume() override;
    void pause() override;
    void close() override;
    const char* lastError() const override { return error_.c_str(); }

private:
    static void callback(void* self, uint8_t* stream, int bytes);

    uint32_t openOutput(std::string& whyNot) override;
    bool outputAlive(uint32_t output) override;
    void runOutput(uint32_t output, bool run) override;
    void closeOutput(uint32_t output) override;
    void watcherEnding() override;

    OutputKeeper keeper_{*this};
    bool audioStarted_ = false;
    AudioPullFn pull_ = nullptr;
    void* user_ = nullptr;
    std::string error_;
};

} // namespace platform
