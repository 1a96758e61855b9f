#include "app/frame_pacer.h"

#include <algorithm>

bool mayPresent(const FramePacer& pacer, uint32_t now)
{
    if (pacer.cap <= 0 || pacer.count == 0)
        return true;
    const int32_t cap = pacer.cap < kMaxFpsCap ? pacer.cap : kMaxFpsCap;
    // Differences of wrapping millisecond counts, taken unsigned.
    if (now - pacer.last < uint32_t(1000 / cap))
        return false;
    return pacer.count < cap || now - pacer.presentedAt[pacer.oldest] >= 1000u;
}

uint32_t millisecondsUntilPresent(const FramePacer& pacer, uint32_t now)
{
    if (mayPresent(pacer, now))
        return 0;
    const int32_t cap = pacer.cap < kMaxFpsCap ? pacer.cap : kMaxFpsCap;
    const uint32_t spacing = uint32_t(1000 / cap);
    uint32_t wait = now - pacer.last < spacing ? spacing - (now - pacer.last) : 0;
    if (pacer.count >= cap && now - pacer.presentedAt[pacer.oldest] < 1000u)
        wait = std::max(wait, 1000u - (now - pacer.presentedAt[pacer.oldest]));
    return wait;
}

void notePresent(FramePacer& pacer, uint32_t now)
{
    pacer.last = now;
    if (pacer.cap <= 0)
        return;
    const int32_t cap = pacer.cap < kMaxFpsCap ? pacer.cap : kMaxFpsCap;
    if (pacer.count < cap) {
        pacer.presentedAt[(pacer.oldest + pacer.count) % cap] = now;
        ++pacer.count;
    } else {
        pacer.presentedAt[pacer.oldest] = now; // the oldest leaves the second
        pacer.oldest = (pacer.oldest + 1) % cap;
    }
}
