// One playing stream's state in a single word, so the main thread, the
// decoder thread and the device's callback change it with one atomic step
// each and never disagree about which play an end belongs to:
//   bits  0..31  epoch: which play this is; every start from the beginning
//                (and every open) takes the next one, never 0
//   bit   32     playing: the stream is heard
//   bit   33     finished: this play has ended (its last sample was handed
//                over, or it had none)
//   bits 34..63  ends: how many plays have ended having given a sample; an
//                end event set before a change of this count is due
#pragma once

#include <cstdint>

namespace stream_control {

constexpr uint64_t kPlaying = uint64_t(1) << 32;
constexpr uint64_t kFinished = uint64_t(1) << 33;
constexpr int kEndsShift = 34;

inline uint32_t epoch(uint64_t word) { return uint32_t(word); }
inline bool playing(uint64_t word) { return (word & kPlaying) != 0; }
inline bool finished(uint64_t word) { return (word & kFinished) != 0; }
inline uint32_t ends(uint64_t word) { return uint32_t(word >> kEndsShift); }

// The next play: a new epoch, playing or not, not finished, the same ends.
inline uint64_t nextPlay(uint64_t word, bool play)
{
    uint32_t next = epoch(word) + 1;
    if (next == 0)
        next = 1;
    return (word & ~(kPlaying | kFinished | 0xFFFFFFFFu)) | next | (play ? kPlaying : 0);
}
// The play has ended; `sounded` when it gave at least one sample.
inline uint64_t ended(uint64_t word, bool sounded)
{
    return ((word & ~kPlaying) | kFinished) + (sounded ? uint64_t(1) << kEndsShift : 0);
}

} // namespace stream_control
