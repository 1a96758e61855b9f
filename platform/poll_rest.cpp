#include "platform/poll_rest.h"

#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

namespace platform {

namespace {

constexpr int kQuitSignals[] = {SIGINT, SIGTERM};
constexpr int kMostDescriptors = 8;

// What the handlers reach: lock-free atomics only, safe in a handler.
std::atomic<int> wakeCounter{-1};
std::atomic<bool> quitAsked{false};
struct sigaction previousActions[2];
bool taken[2] = {};

void writeWake(int counter)
{
    const uint64_t one = 1;
    // Fails only when the counter is full, and then a wake is waiting anyway.
    [[maybe_unused]] ssize_t written = write(counter, &one, sizeof one);
}

void onQuitSignal(int)
{
    const int savedErrno = errno;
    quitAsked.store(true);
    const int counter = wakeCounter.load();
    if (counter >= 0)
        writeWake(counter);
    errno = savedErrno;
}

} // namespace

PollRest::PollRest()
{
    counter_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    wakeCounter.store(counter_);
    quitAsked.store(false);
    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    // Other threads' slow calls go on; the rest's poll() ends all the same
    // (it is never restarted), or the counter wakes it.
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    // A signal the program was started to ignore (a background job's
    // interrupt) stays ignored, as SDL would leave it.
    for (size_t i = 0; i < std::size(kQuitSignals); ++i) {
        taken[i] = sigaction(kQuitSignals[i], nullptr, &previousActions[i]) == 0 &&
                   (previousActions[i].sa_flags & SA_SIGINFO) == 0 && previousActions[i].sa_handler == SIG_DFL;
        if (taken[i])
            sigaction(kQuitSignals[i], &action, nullptr);
    }
}

PollRest::~PollRest()
{
    for (size_t i = 0; i < std::size(kQuitSignals); ++i)
        if (taken[i])
            sigaction(kQuitSignals[i], &previousActions[i], nullptr);
    wakeCounter.store(-1);
    if (counter_ >= 0)
        close(counter_);
}

void PollRest::wake()
{
    if (counter_ >= 0)
        writeWake(counter_);
}

void PollRest::rest(uint32_t milliseconds, const int* descriptors, int count)
{
    pollfd watched[1 + kMostDescriptors];
    int watching = 0;
    if (counter_ >= 0)
        watched[watching++] = {counter_, POLLIN, 0};
    for (int i = 0; i < std::min(count, kMostDescriptors); ++i)
        watched[watching++] = {descriptors[i], POLLIN, 0};
    if (!quitAsked.load()) {
        // An interrupted wait (a signal) ends the rest like a wake.
        [[maybe_unused]] int ready = poll(watched, nfds_t(watching), int(std::min(milliseconds, 60'000u)));
    }
    uint64_t wakes = 0;
    if (counter_ >= 0 && read(counter_, &wakes, sizeof wakes) < 0) {
        // Nothing woke it: a timeout or the display's input.
    }
}

bool PollRest::quitSignalled()
{
    return quitAsked.load(std::memory_order_relaxed);
}

} // namespace platform
