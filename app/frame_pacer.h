// The opt-in frame-rate cap: at most N presents in any second, spread out
// rather than bunched (no two closer than a whole millisecond share of
// 1000 / N). Without a cap every pass presents.
#pragma once

#include <cstdint>

constexpr int32_t kMaxFpsCap = 1000;

struct FramePacer {
    int32_t cap = 0; // frames a second; 0: no cap
    // The times of the last `cap` presents, as a ring; `count` of them are set.
    uint32_t presentedAt[kMaxFpsCap] = {};
    int32_t count = 0;
    int32_t oldest = 0;
    uint32_t last = 0;
};

// Whether a pass at `now` (milliseconds, wrapping) may present.
bool mayPresent(const FramePacer& pacer, uint32_t now);

// Milliseconds from `now` until a pass may present; 0 when one may now.
uint32_t millisecondsUntilPresent(const FramePacer& pacer, uint32_t now);

// Notes a present at `now`.
void notePresent(FramePacer& pacer, uint32_t now);
