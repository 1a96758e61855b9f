// The engine's own thread for end-of-stream events: the audio callback only
// signals it, and the user's callbacks run here, with no engine lock held.
#pragma once

#include "audio/audio_engine.h"

#include <atomic>
#include <semaphore>
#include <thread>

struct PendingEnd {
    SyncHandle sync = 0;
    StreamHandle stream = 0;
    EndCallback callback = nullptr;
    void* user = nullptr;
};

class EndEventThread {
public:
    // Takes the events that are due (up to `max`) and returns their count;
    // called on the event thread, may lock whatever the owner needs.
    using CollectFn = int (*)(void* owner, PendingEnd* out, int max);

    ~EndEventThread() { stop(); }

    void start(CollectFn collect, void* owner);
    // Wakes the thread; safe from the audio callback (no lock, no allocation).
    void notify() { wake_.release(); }
    // Ends the thread after the callback in flight, if any. Events not yet
    // taken are dropped.
    void stop();
    bool running() const { return thread_.joinable(); }
    bool isCurrentThread() const { return thread_.get_id() == std::this_thread::get_id(); }

private:
    void run();

    std::thread thread_;
    std::counting_semaphore<> wake_{0};
    std::atomic<bool> quit_{false};
    CollectFn collect_ = nullptr;
    void* owner_ = nullptr;
};
