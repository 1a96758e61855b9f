#include "audio/decoder_thread.h"

void DecoderThread::start(PassFn pass, void* owner)
{
    stop();
    pass_ = pass;
    owner_ = owner;
    quit_ = false;
    running_ = true;
    thread_ = std::thread([this] { run(); });
}

void DecoderThread::stop()
{
    if (!thread_.joinable())
        return;
    quit_ = true;
    wake();
    thread_.join();
    running_ = false;
    // Whoever waits for a pass must not wait for ever on a stopped thread.
    passes_.fetch_add(1, std::memory_order_release);
    passes_.notify_all();
}

void DecoderThread::run()
{
    for (;;) {
        // Read before the pass: a wake-up during the pass makes the wait
        // below return at once, so none is lost.
        const uint32_t seen = wakes_.load(std::memory_order_acquire);
        if (quit_)
            return;
        const bool more = pass_(owner_);
        passes_.fetch_add(1, std::memory_order_release);
        if (more)
            continue;
        // Those waiting for a pass are woken once all is done rather than
        // after every chunk: a pull waiting in lock-step then finds a full
        // ring, not one chunk, and the two threads do not take turns for
        // every device buffer.
        passes_.notify_all();
        wakes_.wait(seen, std::memory_order_acquire);
    }
}

void DecoderThread::awaitWholePass()
{
    // The pass in flight may have missed the request; the one after cannot.
    const uint32_t target = passes() + 2;
    for (uint32_t seen = passes(); running() && int32_t(seen - target) < 0; seen = passes()) {
        wake();
        awaitPassAfter(seen);
    }
}
