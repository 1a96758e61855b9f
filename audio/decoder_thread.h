// The engine's decoding thread: it runs its owner's pass (open, prime and
// decode ahead whatever is playing) whenever woken, and again at once while
// the pass says there is more to do. All of the engine's file reading after
// start-up happens on it, so neither the device's callback nor the main
// loop ever waits for the disk.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

class DecoderThread {
public:
    // Does what is due; true when more is waiting right away. Called on the
    // decoder thread only.
    using PassFn = bool (*)(void* owner);

    ~DecoderThread() { stop(); }

    void start(PassFn pass, void* owner);
    // Asks for a pass soon. Safe from the device's callback: no lock, no
    // allocation, and a system call only when the thread sleeps.
    void wake()
    {
        wakes_.fetch_add(1, std::memory_order_release);
        wakes_.notify_one();
    }
    // Ends the thread after the pass in flight, if any.
    void stop();
    bool running() const { return running_.load(std::memory_order_acquire); }

    // Counts finished passes. A caller that needs the decoder to catch up
    // reads it, checks, and waits for it to change (which wakes it once the
    // thread has nothing more to do).
    uint32_t passes() const { return passes_.load(std::memory_order_acquire); }
    void awaitPassAfter(uint32_t seen) const { passes_.wait(seen, std::memory_order_acquire); }
    // Returns once a whole pass has begun and finished since the call (at
    // once when the thread is not running): whatever was asked before the
    // call has been seen to.
    void awaitWholePass();

private:
    void run();

    std::thread thread_;
    std::atomic<uint32_t> wakes_{0};
    std::atomic<uint32_t> passes_{0};
    std::atomic<bool> quit_{false};
    std::atomic<bool> running_{false};
    PassFn pass_ = nullptr;
    void* owner_ = nullptr;
};
