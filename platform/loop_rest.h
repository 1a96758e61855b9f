// The main loop's rest between passes, when it has nothing to draw for a
// while (the window cannot be seen, or the next capped frame is not yet
// due): instead of waking every few milliseconds to look, it waits for the
// next reason to run. The reasons that come from other threads (a bus
// request, the end of a track) and from signals wake it explicitly.
#pragma once

#include <cstdint>

namespace platform {

// Ends the main loop's current rest, or the next one, early. Callable from
// any thread and from a signal handler; never blocks.
class LoopWake {
public:
    virtual ~LoopWake() = default;
    virtual void wake() = 0;
};

class LoopRest : public LoopWake {
public:
    // The main loop: waits at most `milliseconds`, and less when input
    // arrives on one of the `count` descriptors, a wake comes, or a quit
    // signal arrives (a wake given before the call counts too).
    virtual void rest(uint32_t milliseconds, const int* descriptors, int count) = 0;
    // Whether the user or the session asked the program to end by a signal
    // (interrupt or terminate) since the rest was set up.
    virtual bool quitSignalled() = 0;
};

} // namespace platform
