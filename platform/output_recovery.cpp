#include "platform/output_recovery.h"

#include <algorithm>

namespace platform {

int retryDelayMs(int failedOpens)
{
    int delay = kFirstRetryMs;
    for (int i = 1; i < failedOpens && delay < kLongestRetryMs; ++i)
        delay *= 2;
    return std::min(delay, kLongestRetryMs);
}

bool noteOutputLost(OutputRecovery& recovery, uint64_t nowMs)
{
    if (recovery.lost)
        return false;
    recovery.lost = true;
    recovery.failedOpens = 0;
    recovery.nextOpenMs = nowMs;
    return true;
}

bool openAttemptDue(const OutputRecovery& recovery, uint64_t nowMs)
{
    return recovery.lost && nowMs >= recovery.nextOpenMs;
}

void noteOpenFailed(OutputRecovery& recovery, uint64_t nowMs)
{
    recovery.failedOpens += 1;
    recovery.nextOpenMs = nowMs + uint64_t(retryDelayMs(recovery.failedOpens));
}

void noteOutputBack(OutputRecovery& recovery)
{
    recovery.lost = false;
    recovery.failedOpens = 0;
}

int msUntilNextCheck(const OutputRecovery& recovery, uint64_t nowMs, int checkMs)
{
    if (!recovery.lost)
        return checkMs;
    if (nowMs >= recovery.nextOpenMs)
        return 0;
    return int(recovery.nextOpenMs - nowMs);
}

} // namespace platform
