#include "app/frame_pacer.h"

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
