// The last frames a stream handed to the device, mixed to mono, for the
// spectrum. The device's callback writes them; the main thread copies them.
// Neither waits for the other: the writer bumps a sequence number around
// each write, and a reader that saw it change copies again.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

constexpr int kSpectrumWindow = 512;

class PlayedHistory {
public:
    // --- The device callback's side: clear, or begin, record..., finish ---
    void clear()
    {
        begin();
        for (std::atomic<float>& sample : samples_)
            sample.store(0.0f, std::memory_order_relaxed);
        pos_ = 0;
        finish();
    }
    void begin()
    {
        sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
    }
    // `frames` interleaved stereo frames; only the last window's worth can
    // still be asked for.
    void record(const float* frames, int count)
    {
        // In a local: kept in the member, every store would wait for the
        // one before.
        int pos = pos_;
        for (int i = count > kSpectrumWindow ? count - kSpectrumWindow : 0; i < count; ++i) {
            samples_[size_t(pos)].store((frames[2 * i] + frames[2 * i + 1]) * 0.5f, std::memory_order_relaxed);
            pos = (pos + 1) % kSpectrumWindow;
        }
        pos_ = pos;
        position_.store(pos, std::memory_order_relaxed);
    }
    void finish() { sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

    // --- Any other thread: the last kSpectrumWindow samples, oldest first ---
    void copy(float* out) const
    {
        for (;;) {
            const uint32_t before = sequence_.load(std::memory_order_acquire);
            if (before % 2 == 0) {
                const int split = position_.load(std::memory_order_relaxed);
                for (int i = 0; i < kSpectrumWindow; ++i)
                    out[i] = samples_[size_t((split + i) % kSpectrumWindow)].load(std::memory_order_relaxed);
                std::atomic_thread_fence(std::memory_order_acquire);
                if (sequence_.load(std::memory_order_relaxed) == before)
                    return;
            }
            // The writer is inside its few hundred stores, or was preempted
            // there: let it finish.
            std::this_thread::yield();
        }
    }

private:
    std::array<std::atomic<float>, kSpectrumWindow> samples_{};
    std::atomic<int> position_{0};
    std::atomic<uint32_t> sequence_{0}; // odd while the writer is writing
    int pos_ = 0;                       // the writer's
};
