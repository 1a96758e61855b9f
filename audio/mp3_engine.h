// The real audio engine: MP3 streams decoded by libmpg123, mixed on the
// device's thread into 44100 Hz stereo float, end events on a thread of its
// own, spectrum by kissfft.
#pragma once

#include "audio/audio_engine.h"
#include "audio/end_event_thread.h"
#include "audio/mp3_stream.h"
#include "audio/spectrum.h"
#include "platform/audio_device.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class Mp3Engine final : public AudioEngine {
public:
    static constexpr int kMaxStreams = 64;
    static constexpr int kMaxSyncsPerStream = 4;

    explicit Mp3Engine(platform::AudioDevice& device);
    ~Mp3Engine() override;
    Mp3Engine(const Mp3Engine&) = delete;
    Mp3Engine& operator=(const Mp3Engine&) = delete;

    bool init() override;
    StreamHandle openStream(const char* path) override;
    bool start() override;
    bool play(StreamHandle stream, bool restart) override;
    bool stop(StreamHandle stream) override;
    SyncHandle setEndSync(StreamHandle stream, EndCallback callback, void* user) override;
    bool removeSync(StreamHandle stream, SyncHandle sync) override;
    bool spectrum(StreamHandle stream, float out[kSpectrumBins]) override;
    bool isActive(StreamHandle stream) override;
    bool setVolume(uint32_t volume) override;
    bool stopOutput() override;
    bool freeStream(StreamHandle stream) override;
    bool freeAll() override;
    const char* lastError() const override { return error_.c_str(); }
    int64_t lengthMicroseconds(StreamHandle stream) override; // in mp3_engine_timing.cpp
    int64_t positionMicroseconds(StreamHandle stream) override;

    // The device's pull: mixes the playing streams into `out`.
    void mix(float* out, int frames);

private:
    struct EndSync {
        SyncHandle id = 0;
        EndCallback callback = nullptr;
        void* user = nullptr;
        bool due = false; // its stream ended while it was set: to be fired
    };
    struct Slot {
        StreamHandle handle = 0;
        std::unique_ptr<Mp3Stream> stream;
        bool playing = false;
        int64_t framesThisPlay = 0; // rendered since the last play()
        std::array<EndSync, kMaxSyncsPerStream> syncs{};
    };

    Slot* find(StreamHandle handle);
    int mixSlot(Slot& slot, float* out, int frames, bool first);
    static void pull(void* self, float* out, int frames);
    static int collectEnds(void* self, PendingEnd* out, int max);

    platform::AudioDevice& device_;
    std::mutex mutex_; // guards the slots; the audio thread holds it while mixing
    std::array<Slot, kMaxStreams> slots_{};
    StreamHandle nextHandle_ = 1;
    SyncHandle nextSync_ = 1;
    std::vector<float> mixBuffer_; // one stream's frames, allocated once
    std::atomic<float> gain_{1.0f};
    std::atomic<bool> initialised_{false};
    std::string error_;

    std::mutex spectrumMutex_;
    SpectrumAnalyser analyser_;

    EndEventThread events_;
};
