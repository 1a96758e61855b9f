#include "audio/end_event_thread.h"

#include <array>

namespace {
constexpr int kMaxEventsPerWake = 64;
}

void EndEventThread::start(CollectFn collect, void* owner)
{
    stop();
    collect_ = collect;
    owner_ = owner;
    quit_ = false;
    thread_ = std::thread([this] { run(); });
}

void EndEventThread::stop()
{
    if (!thread_.joinable())
        return;
    quit_ = true;
    wake_.release();
    thread_.join();
    // Leftover wake-ups would only make a later thread look for nothing.
    while (wake_.try_acquire()) {
    }
}

void EndEventThread::run()
{
    std::array<PendingEnd, kMaxEventsPerWake> due;
    for (;;) {
        wake_.acquire();
        if (quit_)
            return;
        int count;
        do {
            count = collect_(owner_, due.data(), int(due.size()));
            for (int i = 0; i < count && !quit_; ++i)
                due[size_t(i)].callback(due[size_t(i)].sync, due[size_t(i)].stream, due[size_t(i)].user);
        } while (count == int(due.size()) && !quit_);
    }
}
