// Sample-rate and channel conversion through SDL's audio stream.
#include "platform/audio_device.h"

#include <SDL.h>


namespace platform {
namespace {

constexpr int kFrameBytes = int(sizeof(float)) * kOutputChannels;

class SdlSampleConverter : public SampleConverter {
public:
    SdlSampleConverter(SDL_AudioStream* stream, int inChannels)
        : stream_(stream), inChannels_(inChannels)
    {
    }
    ~SdlSampleConverter() override { SDL_FreeAudioStream(stream_); }

    bool put(const float* samples, int frames) override
    {
        int bytes = frames * inChannels_ * int(sizeof(float));
        return SDL_AudioStreamPut(stream_, samples, bytes) == 0;
    }
    int available() const override { return SDL_AudioStreamAvailable(stream_) / kFrameBytes; }
    int get(float* out, int frames) override
    {
        int got = SDL_AudioStreamGet(stream_, out, frames * kFrameBytes);
        return got < 0 ? 0 : got / kFrameBytes;
    }
    void clear() override { SDL_AudioStreamClear(stream_); }

private:
    SDL_AudioStream* stream_;
    int inChannels_;
};

} // namespace

std::unique_ptr<SampleConverter> makeSampleConverter(int inRate, int inChannels)
{
    if (inRate <= 0 || inChannels < 1 || inChannels > 2)
        return nullptr;
    SDL_AudioStream* stream = SDL_NewAudioStream(AUDIO_F32SYS, Uint8(inChannels), inRate,
                                                 AUDIO_F32SYS, kOutputChannels, kOutputRate);
    if (stream == nullptr)
        return nullptr;
    return std::make_unique<SdlSampleConverter>(stream, inChannels);
}

} // namespace platform
