#include "platform/sdl_audio_device.h"

#include <SDL.h>
#include <dlfcn.h>

namespace platform {

namespace {

void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

// Without a sound card ALSA prints a screenful of its own diagnostics while
// SDL probes it; the one line we print carries SDL's reason already. SDL
// loads ALSA at run time, so reach the same library the same way and give
// it a silent error handler before SDL starts its probe.
void quietenAlsa()
{
    using MessageHandler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetMessageHandler = int (*)(MessageHandler);
    static void* const alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (alsa == nullptr)
        return;
    auto setHandler = reinterpret_cast<SetMessageHandler>(dlsym(alsa, "snd_lib_error_set_handler"));
    if (setHandler != nullptr)
        setHandler(&ignoreAlsaMessage);
}

} // namespace

SdlAudioDevice::~SdlAudioDevice()
{
    close();
}

bool SdlAudioDevice::open(AudioPullFn pull, void* user)
{
    close();
    quietenAlsa();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error_ = std::string("no audio output: ") + SDL_GetError();
        return false;
    }
    audioStarted_ = true;
    pull_ = pull;
    user_ = user;
    std::string whyNot;
    if (!keeper_.open(whyNot)) {
        error_ = "no audio device: " + whyNot;
        close();
        return false;
    }
    return true;
}

void SdlAudioDevice::resume()
{
    keeper_.run(true);
}

void SdlAudioDevice::pause()
{
    keeper_.run(false);
}

void SdlAudioDevice::close()
{
    // Waits for a callback in progress and joins SDL's audio thread.
    keeper_.close();
    if (audioStarted_)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    audioStarted_ = false;
    pull_ = nullptr;
    user_ = nullptr;
}

// The driver stays the one SDL chose at start: a sound server that comes
// back is found again through it.
uint32_t SdlAudioDevice::openOutput(std::string& whyNot)
{
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_F32SYS;
    want.channels = kOutputChannels;
    want.samples = kDeviceBufferFrames;
    want.callback = &SdlAudioDevice::callback;
    want.userdata = this;
    // No allowed changes: SDL converts to whatever the hardware wants, so the
    // callback always sees exactly the format above. SDL opens it paused.
    SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (id == 0)
        whyNot = SDL_GetError();
    return id;
}

// SDL marks a device whose server or hardware went away as stopped (and
// goes on calling its callback at the device's pace, into nowhere).
bool SdlAudioDevice::outputAlive(uint32_t output)
{
    return SDL_GetAudioDeviceStatus(output) != SDL_AUDIO_STOPPED;
}

void SdlAudioDevice::runOutput(uint32_t output, bool run)
{
    SDL_PauseAudioDevice(output, run ? 0 : 1);
}

void SdlAudioDevice::closeOutput(uint32_t output)
{
    SDL_CloseAudioDevice(output);
}

// SDL keeps per-thread data (the message of a failed open) that it frees by
// itself only for threads it started; the watcher is ours.
void SdlAudioDevice::watcherEnding()
{
    SDL_TLSCleanup();
}

void SdlAudioDevice::callback(void* self, uint8_t* stream, int bytes)
{
    auto* device = static_cast<SdlAudioDevice*>(self);
    int frames = bytes / int(sizeof(float) * kOutputChannels);
    device->pull_(device->user_, reinterpret_cast<float*>(stream), frames);
}

} // namespace platform
