#include "platform/output_keeper.h"

#include <chrono>
#include <cstdio>

namespace platform {

namespace {

uint64_t steadyMs()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

} // namespace

OutputKeeper::OutputKeeper(OutputBackend& backend, int checkMs) : backend_(backend), checkMs_(checkMs) {}

OutputKeeper::~OutputKeeper()
{
    close();
}

bool OutputKeeper::open(std::string& whyNot)
{
    close();
    uint32_t output = backend_.openOutput(whyNot);
    if (output == 0)
        return false;
    {
        std::lock_guard lock(mutex_);
        output_ = output;
        recovery_ = OutputRecovery{};
        stopping_ = false;
    }
    watcher_ = std::thread(&OutputKeeper::watch, this);
    return true;
}

void OutputKeeper::run(bool running)
{
    std::lock_guard lock(mutex_);
    recovery_.running = running;
    if (output_ != 0)
        backend_.runOutput(output_, running);
}

void OutputKeeper::close()
{
    if (watcher_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        watcher_.join();
    }
    uint32_t output = 0;
    {
        std::lock_guard lock(mutex_);
        std::swap(output, output_);
        recovery_ = OutputRecovery{};
    }
    if (output != 0)
        backend_.closeOutput(output);
}

void OutputKeeper::watch()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        int waitMs = msUntilNextCheck(recovery_, steadyMs(), checkMs_);
        if (wake_.wait_for(lock, std::chrono::milliseconds(waitMs), [this] { return stopping_; }))
            break;
        checkOutput(lock);
        if (openAttemptDue(recovery_, steadyMs()))
            tryReopen(lock);
    }
    lock.unlock();
    backend_.watcherEnding();
}

void OutputKeeper::checkOutput(std::unique_lock<std::mutex>&)
{
    if (recovery_.lost || output_ == 0 || backend_.outputAlive(output_))
        return;
    if (noteOutputLost(recovery_, steadyMs()))
        std::fprintf(stderr, "quarven2: the sound output went away; opening it again until it comes back\n");
}

// The new output is opened beside the gone one, which goes on pulling (so
// playback keeps its pace through the silence); the gone one is closed
// before the new one starts, so that only ever one output pulls.
void OutputKeeper::tryReopen(std::unique_lock<std::mutex>& lock)
{
    lock.unlock();
    std::string whyNot;
    uint32_t fresh = backend_.openOutput(whyNot);
    lock.lock();
    if (fresh == 0) {
        noteOpenFailed(recovery_, steadyMs());
        return;
    }
    uint32_t gone = output_;
    output_ = 0; // a run() meanwhile is remembered and applied below
    lock.unlock();
    backend_.closeOutput(gone);
    lock.lock();
    output_ = fresh;
    backend_.runOutput(fresh, recovery_.running);
    noteOutputBack(recovery_);
}

} // namespace platform
