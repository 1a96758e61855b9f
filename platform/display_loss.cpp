#include "platform/display_loss.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace platform {

namespace {

// Xlib's handler takes no user data, so what it needs lives here; plain
// pointers, with nothing to destroy at exit.
struct DisplayLoss {
    std::atomic<SilenceFn> silence{nullptr};
    std::atomic<void*> user{nullptr};
};

DisplayLoss& displayLoss()
{
    static DisplayLoss state;
    return state;
}

// Xlib ends the process with exit() when this returns, so it never does.
[[noreturn]] int onConnectionLost(Display*)
{
    DisplayLoss& state = displayLoss();
    if (SilenceFn silence = state.silence.load())
        silence(state.user.load());
    static const char line[] = "quarven2: lost the connection to the display; quitting\n";
    // write(), not stdio: nothing here may wait on a lock another thread holds.
    [[maybe_unused]] ssize_t written = write(STDERR_FILENO, line, sizeof line - 1);
    _exit(1);
}

} // namespace

void silenceOnDisplayLoss(SilenceFn silence, void* user)
{
    DisplayLoss& state = displayLoss();
    state.user = user;
    state.silence = silence;
}

void endOnDisplayLoss()
{
    XSetIOErrorHandler(&onConnectionLost);
}

} // namespace platform
