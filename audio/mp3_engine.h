// The real audio engine: MP3 streams decoded by libmpg123 on a thread of the
// engine's own into a ring per stream of ready 44100 Hz stereo float frames;
// the device's callback only copies from the rings, applies the gain, keeps
// what it played for the spectrum (kissfft) and notices the ends, which are
// handed to the caller on another thread of the engine's.
//
// Who does what:
//   main thread     the operations below; they post requests and read
//                   atomics, and take `control_` only briefly, never while
//                   anyone does file I/O under it
//   decoder thread  reopens, primes and decodes ahead (mp3_engine_decode.cpp)
//   device thread   mixes (mp3_engine_mix.cpp); takes no lock at all, and
//                   waits for the decoder only when the device is not
//                   clocked (a test pulling on its own thread)
//   event thread    runs the end callbacks, with no engine lock held
#pragma once

#include "audio/audio_engine.h"
#include "audio/decoder_thread.h"
#include "audio/end_event_thread.h"
#include "audio/mp3_stream.h"
#include "audio/played_history.h"
#include "audio/sample_ring.h"
#include "audio/spectrum.h"
#include "platform/audio_device.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>

// How the device callback has fared since the engine was made.
struct AudioOutputStats {
    uint64_t callbacks = 0;
    // Callbacks in which a stream that had begun to sound found its ring
    // empty before its end: heard as a dropout.
    uint64_t ranDry = 0;
    int64_t longestCallbackNs = 0;
};

class Mp3Engine final : public AudioEngine {
public:
    static constexpr int kMaxStreams = 64;
    static constexpr int kMaxSyncsPerStream = 4;

    explicit Mp3Engine(platform::AudioDevice& device);
    ~Mp3Engine() override;
    Mp3Engine(const Mp3Engine&) = delete;
    Mp3Engine& operator=(const Mp3Engine&) = delete;

    bool init() override;
    // Opens and checks the file on the calling thread (the start-up's opens).
    StreamHandle openStream(const char* path) override;
    bool start() override;
    // Returns at once: the decoder thread reopens the file (with an
    // unclocked device, once it has: see AudioDevice::clocked). True unless the
    // handle is unknown, or a resume finds the stream's last play gave no
    // sample at all (it is started over all the same, in case the file is
    // back).
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
    AudioOutputStats outputStats() const;

private:
    struct EndSync {
        SyncHandle id = 0;
        EndCallback callback = nullptr;
        void* user = nullptr;
        uint32_t endsWhenSet = 0; // due once the stream's end count differs
    };
    // The main thread's half of a stream, under control_.
    struct Request {
        std::string path;
        std::unique_ptr<Mp3Stream> opened; // from openStream, for the decoder to take
        bool reopen = false;               // the next play reads the file afresh
        bool release = false;              // freed: the decoder drops its stream
        std::array<EndSync, kMaxSyncsPerStream> syncs{};
    };
    // The decoder thread's own.
    struct Decoding {
        std::unique_ptr<Mp3Stream> stream;
        uint32_t seenEpoch = 0;   // requests taken up to this epoch
        uint32_t servedEpoch = 0; // the ring's current epoch
        bool reopen = false;
        std::string path;
        bool ended = false;
        int64_t produced = 0; // frames of the served epoch
    };
    // The device callback's own.
    struct Mixing {
        int64_t played = 0; // frames of the followed epoch handed over
    };
    struct Slot {
        std::atomic<StreamHandle> handle{0};
        std::atomic<uint64_t> control{0}; // see stream_control.h
        std::atomic<uint32_t> emptyEpoch{0}; // a play whose file gave nothing
        std::atomic<int64_t> lengthUs{-1};
        std::atomic<int64_t> playedFrames{0};
        SampleRing ring;
        PlayedHistory history;
        Request request;
        Decoding decoding;
        Mixing mixing;
    };

    Slot* find(StreamHandle handle);
    // Changes the control word with `change` (word -> word) as one step;
    // returns the word it replaced.
    template <typename Change>
    static uint64_t update(Slot& slot, Change change)
    {
        uint64_t word = slot.control.load(std::memory_order_acquire);
        while (!slot.control.compare_exchange_weak(word, change(word), std::memory_order_acq_rel))
            ;
        return word;
    }

    // mp3_engine_decode.cpp (decoder thread)
    static bool decodePass(void* self);
    void takeRequests(Slot& slot, uint32_t epoch);
    void beginPlay(Slot& slot, uint32_t epoch);
    bool decodeAhead(Slot& slot, uint32_t epoch);
    void endPlay(Slot& slot, uint32_t epoch);

    // mp3_engine_mix.cpp (device thread)
    static void pull(void* self, float* out, int frames);
    bool follow(Slot& slot, uint32_t epoch);
    int handOver(Slot& slot, float* out, int frames, bool first);
    bool endOrRunDry(Slot& slot, uint64_t word, bool last);
    bool decoderCaughtUp(uint32_t frames);
    void awaitDecoder(int frames);
    static int collectEnds(void* self, PendingEnd* out, int max);

    platform::AudioDevice& device_;
    std::mutex control_; // guards each Slot's request and handle changes; never held during I/O
    std::array<Slot, kMaxStreams> slots_{};
    StreamHandle nextHandle_ = 1;
    SyncHandle nextSync_ = 1;
    std::atomic<float> gain_{1.0f};
    std::atomic<bool> initialised_{false};
    std::string error_;

    std::atomic<uint64_t> callbacks_{0};
    std::atomic<uint64_t> ranDry_{0};
    std::atomic<int64_t> longestCallbackNs_{0};

    std::mutex spectrumMutex_;
    SpectrumAnalyser analyser_;

    DecoderThread decoder_;
    EndEventThread events_;
};
