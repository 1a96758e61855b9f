// When a lost sound output is opened again, and what it is put back to.
// Pure bookkeeping: the device that owns the output tells it what happened
// and when, and does what it answers.
#pragma once

#include <cstdint>

namespace platform {

// The first attempt is made at once; the waits between the next ones grow
// from this to the longest, so a server that restarts is found within a
// moment and one that stays away costs a try every two seconds.
constexpr int kFirstRetryMs = 100;
constexpr int kLongestRetryMs = 2000;

struct OutputRecovery {
    bool running = false;    // the user's last resume or pause, put back on a new output
    bool lost = false;       // the output has gone and no new one is open yet
    int failedOpens = 0;     // attempts that failed since the loss
    uint64_t nextOpenMs = 0; // when the next attempt is due, while lost
};

// The wait after `failedOpens` failed attempts: 100, 200, 400 ... up to 2000.
int retryDelayMs(int failedOpens);

// The output was found gone at `nowMs`. True only for the first notice of
// a loss: the one moment to say so.
bool noteOutputLost(OutputRecovery& recovery, uint64_t nowMs);
bool openAttemptDue(const OutputRecovery& recovery, uint64_t nowMs);
void noteOpenFailed(OutputRecovery& recovery, uint64_t nowMs);
void noteOutputBack(OutputRecovery& recovery);

// How long a watcher that checks a working output every `checkMs` may
// sleep from `nowMs` before it has something to do.
int msUntilNextCheck(const OutputRecovery& recovery, uint64_t nowMs, int checkMs);

} // namespace platform
