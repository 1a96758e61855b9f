// The loop's rest on Linux: poll() on the display's connections and on an
// event counter that wakes() write to. Interrupt and terminate signals are
// caught here too (they only set a flag and wake the loop), so that a
// resting loop notices them at once, whichever thread the kernel picked to
// run the handler.
#pragma once

#include "platform/loop_rest.h"

namespace platform {

class PollRest final : public LoopRest {
public:
    // One at a time: the signal handlers reach it through process-wide
    // state. Takes the signals before SDL starts, which then leaves them be.
    PollRest();
    // Gives the signals back to the handlers they had before.
    ~PollRest() override;
    PollRest(const PollRest&) = delete;
    PollRest& operator=(const PollRest&) = delete;

    void wake() override;
    void rest(uint32_t milliseconds, const int* descriptors, int count) override;
    bool quitSignalled() override;

private:
    int counter_ = -1; // the eventfd; -1 when none could be made, and rests are plain sleeps
};

} // namespace platform
