// The device's callback: copies each playing stream's ready frames out of
// its ring, applies the gain, keeps what it handed over for the spectrum and
// notices the ends. It takes no lock and never waits for the decoder, except
// for a device that is not clocked (a test or a benchmark pulling on its own
// thread), where waiting makes what is pulled independent of timing.
#include "audio/mp3_engine.h"

#include "audio/stream_control.h"

#include <algorithm>
#include <chrono>

namespace {

using platform::kOutputChannels;

// Room in a ring worth waking the decoder for: one chunk of its decoding.
constexpr uint32_t kRefillFrames = 2048;

// Scales and clips the mix. Written in blocks of eight so the compiler turns
// each block into a few vector instructions.
void applyGain(float* samples, int count, float gain)
{
    constexpr int kBlock = 8;
    int i = 0;
    for (; i + kBlock <= count; i += kBlock)
        for (int j = 0; j < kBlock; ++j)
            samples[i + j] = std::min(std::max(samples[i + j] * gain, -1.0f), 1.0f);
    for (; i < count; ++i)
        samples[i] = std::min(std::max(samples[i] * gain, -1.0f), 1.0f);
}

int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

void Mp3Engine::pull(void* self, float* out, int frames)
{
    static_cast<Mp3Engine*>(self)->mix(out, frames);
}

// Reads the epoch the main thread asked for, once the decoder has begun it;
// until then the stream has nothing to hand over (a play is heard as soon as
// its first frames are decoded).
bool Mp3Engine::follow(Slot& slot, uint32_t epoch)
{
    bool changed = false;
    if (!slot.ring.follow(epoch, changed))
        return false;
    if (changed) {
        slot.mixing.played = 0;
        slot.playedFrames.store(0, std::memory_order_relaxed);
        slot.history.clear();
    }
    return true;
}

// Copies (the first stream) or adds (any other) up to `frames` ready frames
// into `out`; returns how many.
int Mp3Engine::handOver(Slot& slot, float* out, int frames, bool first)
{
    bool last = false;
    const int count = int(std::min<uint32_t>(slot.ring.readable(last), uint32_t(frames)));
    slot.history.begin();
    for (int done = 0; done < count;) {
        const float* from = nullptr;
        const int run = int(slot.ring.readSpan(uint32_t(done), uint32_t(count - done), from));
        float* to = out + size_t(done) * kOutputChannels;
        if (first)
            std::copy(from, from + run * kOutputChannels, to);
        else
            for (int i = 0; i < run * kOutputChannels; ++i)
                to[i] += from[i];
        slot.history.record(from, run);
        done += run;
    }
    slot.history.finish();
    slot.ring.consume(uint32_t(count));
    slot.mixing.played += count;
    slot.playedFrames.store(slot.mixing.played, std::memory_order_relaxed);
    return count;
}

// The stream gave fewer frames than asked. At the end of its play, its last
// sample is in this buffer: it ends, and once the buffer is handed to the
// device its end event is due (returns true). Otherwise the decoder has
// fallen behind: a dropout, counted.
bool Mp3Engine::endOrRunDry(Slot& slot, uint64_t word, bool last)
{
    const bool sounded = slot.mixing.played > 0;
    if (!last) {
        if (sounded)
            ranDry_.fetch_add(1, std::memory_order_relaxed);
        return false;
    }
    const uint32_t epoch = stream_control::epoch(word);
    // Unless it was stopped or started over meanwhile.
    auto isThisPlay = [epoch](uint64_t w) { return stream_control::epoch(w) == epoch && stream_control::playing(w); };
    const uint64_t before
        = update(slot, [&](uint64_t w) { return isThisPlay(w) ? stream_control::ended(w, sounded) : w; });
    return sounded && isThisPlay(before);
}

void Mp3Engine::mix(float* out, int frames)
{
    if (!device_.clocked())
        awaitDecoder(frames);
    const int64_t begun = nowNs();
    bool filled = false;
    bool endsDue = false;
    bool refill = false;
    for (Slot& slot : slots_) {
        const uint64_t word = slot.control.load(std::memory_order_acquire);
        if (!stream_control::playing(word) || !follow(slot, stream_control::epoch(word)))
            continue;
        const int got = handOver(slot, out, frames, !filled);
        if (!filled)
            std::fill(out + size_t(got) * kOutputChannels, out + size_t(frames) * kOutputChannels, 0.0f);
        filled = true;
        bool last = false;
        const uint32_t left = slot.ring.readable(last);
        // Kept nearly full, so a read that stalls finds almost the whole
        // ring ahead of the device; topped up a decoder chunk at a time
        // rather than a device buffer at a time.
        refill = refill || (!last && left <= SampleRing::kFrames - kRefillFrames);
        if (got < frames)
            endsDue = endOrRunDry(slot, word, last && left == 0) || endsDue;
    }
    if (!filled)
        std::fill(out, out + size_t(frames) * kOutputChannels, 0.0f);
    applyGain(out, frames * kOutputChannels, gain_);
    if (refill)
        decoder_.wake();
    if (endsDue)
        events_.notify();
    const int64_t took = nowNs() - begun;
    callbacks_.fetch_add(1, std::memory_order_relaxed);
    if (took > longestCallbackNs_.load(std::memory_order_relaxed))
        longestCallbackNs_.store(took, std::memory_order_relaxed);
}

// Every playing stream has begun its play and has `frames` ready, or all
// it will ever have.
bool Mp3Engine::decoderCaughtUp(uint32_t frames)
{
    for (Slot& slot : slots_) {
        const uint64_t word = slot.control.load(std::memory_order_acquire);
        if (!stream_control::playing(word))
            continue;
        if (!follow(slot, stream_control::epoch(word)))
            return false;
        bool last = false;
        if (slot.ring.readable(last) < frames && !last)
            return false;
    }
    return true;
}

void Mp3Engine::awaitDecoder(int frames)
{
    const uint32_t needed = std::min(uint32_t(frames), SampleRing::kFrames / 2);
    while (decoder_.running()) {
        const uint32_t seen = decoder_.passes();
        if (decoderCaughtUp(needed))
            return;
        decoder_.wake();
        decoder_.awaitPassAfter(seen);
    }
}
