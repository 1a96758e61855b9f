// Decoded 44100 Hz stereo float frames handed from the decoder thread (the
// only writer) to the device's callback (the only reader) without a lock:
// each side owns one position and publishes it with release, so the callback
// never waits for the decoder, whatever the disk does.
//
// A restart must not hand over what was decoded for the play before it,
// yet only the reader may move the reading position. So every play has an
// epoch: the writer marks where its epoch's frames begin and, once the
// decoder has given its last sample, where they end; the reader skips to the
// beginning of the epoch it is asked to play.
#pragma once

#include "platform/audio_device.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>

class SampleRing {
public:
    // A power of two, about 0.37 s: a stalled read of up to a quarter of a
    // second is covered with room to spare, and a restart is heard at once.
    static constexpr uint32_t kFrames = 16384;
    static constexpr int kChannels = platform::kOutputChannels;

    // Once, before either side uses the ring.
    void allocate()
    {
        if (!samples_)
            samples_ = std::make_unique<float[]>(size_t(kFrames) * kChannels);
    }

    // --- The writer's side ---

    uint32_t freeFrames() const
    {
        return kFrames - (written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire));
    }
    // Where the next frames go, and how many fit there before the end of the
    // buffer or the free space runs out.
    float* writeSpan(uint32_t& frames) const
    {
        const uint32_t at = written_.load(std::memory_order_relaxed) % kFrames;
        frames = std::min(freeFrames(), kFrames - at);
        return samples_.get() + size_t(at) * kChannels;
    }
    void commit(uint32_t frames)
    {
        written_.store(written_.load(std::memory_order_relaxed) + frames, std::memory_order_release);
    }
    // The frames written from now on belong to `epoch`.
    void beginEpoch(uint32_t epoch)
    {
        begin_.store(mark(epoch, written_.load(std::memory_order_relaxed)), std::memory_order_release);
    }
    // The epoch's last frame has been written.
    void endEpoch(uint32_t epoch)
    {
        end_.store(mark(epoch, written_.load(std::memory_order_relaxed)), std::memory_order_release);
    }

    // --- The reader's side ---

    // Makes `epoch` the one read; false while the writer has not begun it
    // (nothing of it to hand over yet). A change of epoch skips what is left
    // of the one before.
    bool follow(uint32_t epoch, bool& changed)
    {
        changed = false;
        if (epoch == reading_)
            return true;
        const uint64_t begun = begin_.load(std::memory_order_acquire);
        if (epochOf(begun) != epoch)
            return false;
        read_.store(positionOf(begun), std::memory_order_release);
        reading_ = epoch;
        changed = true;
        return true;
    }
    // What can be read of the followed epoch now, and whether that is all
    // it will ever have. The written position is read first: whatever later
    // epoch it includes has its beginning marked by then, so no frame of a
    // later play is taken for one of this play. Once this epoch's end is
    // marked, every frame before the mark is visible.
    uint32_t readable(bool& last) const
    {
        const uint32_t read = read_.load(std::memory_order_relaxed);
        uint32_t available = written_.load(std::memory_order_acquire) - read;
        const uint64_t begun = begin_.load(std::memory_order_acquire);
        const uint64_t end = end_.load(std::memory_order_acquire);
        if (epochOf(begun) != reading_)
            available = std::min(available, positionOf(begun) - read);
        last = epochOf(end) == reading_;
        if (last)
            available = positionOf(end) - read;
        return available;
    }
    // The next frames to read, `offset` frames on, as one contiguous run
    // of at most `frames`; returns its length.
    uint32_t readSpan(uint32_t offset, uint32_t frames, const float*& at) const
    {
        const uint32_t from = (read_.load(std::memory_order_relaxed) + offset) % kFrames;
        at = samples_.get() + size_t(from) * kChannels;
        return std::min(frames, kFrames - from);
    }
    void consume(uint32_t frames)
    {
        read_.store(read_.load(std::memory_order_relaxed) + frames, std::memory_order_release);
    }

private:
    static uint64_t mark(uint32_t epoch, uint32_t position) { return uint64_t(epoch) << 32 | position; }
    static uint32_t epochOf(uint64_t mark) { return uint32_t(mark >> 32); }
    static uint32_t positionOf(uint64_t mark) { return uint32_t(mark); }

    std::unique_ptr<float[]> samples_;
    // Positions count frames for ever and wrap in unsigned arithmetic; the
    // index into the buffer is the position modulo its size.
    std::atomic<uint32_t> written_ { 0 }; // the writer's
    std::atomic<uint32_t> read_ { 0 }; // the reader's
    // Epoch 0 is never played, so a ring that has seen no epoch has no mark.
    std::atomic<uint64_t> begin_ { 0 };
    std::atomic<uint64_t> end_ { 0 };
    uint32_t reading_ = 0; // the reader's epoch
};
