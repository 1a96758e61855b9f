#include "platform/system_time.h"

#include <cerrno>
#include <ctime>

namespace platform {

uint32_t BootClock::milliseconds()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms); // wraps after 49.7 days, as intended
}

void sleepMilliseconds(uint32_t ms)
{
    timespec rest{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    // A signal must not cut the pause short and turn the loop into a spin.
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

} // namespace platform
