// The real clock and sleep of the program.
#pragma once

#include "platform/services.h"

#include <cstdint>

namespace platform {

// Milliseconds since the system started (suspend included), truncated to
// 32 bits so that it wraps around like the classic tick counter.
class BootClock : public Clock {
public:
    uint32_t milliseconds() override;
};

// Gives up the processor for about `ms` milliseconds.
void sleepMilliseconds(uint32_t ms);

} // namespace platform
