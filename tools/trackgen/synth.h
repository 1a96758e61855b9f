// Turns a score into samples: one voice per note, a shared reverb, and the
// mastering that gives every piece the same loudness without clipping.
#pragma once

#include "tools/trackgen/score.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trackgen {

struct StereoBuffer {
    int sampleRate = 44100;
    std::vector<float> left;
    std::vector<float> right;
    size_t frames() const { return left.size(); }
};

// What the voices send on to the shared effects, panned as the voice is.
struct Sends {
    StereoBuffer reverb;
    StereoBuffer echo;   // left empty when the piece has no echo
};

// Sends sized for `dry` (the echo's only when `withEcho`).
Sends sendsFor(const StereoBuffer& dry, bool withEcho);

// Renders the first `seconds` of the score (the whole piece when the score
// is at least that long) at the given rate; `seed` makes noise repeatable.
StereoBuffer renderScore(const Score& score, int sampleRate, double seconds, uint64_t seed);

// Adds one note's voice to `dry` (panned) and to the sends.
void renderNote(const Patch& patch, const Note& note, uint64_t seed, StereoBuffer& dry, Sends& sends);

// Adds a stereo reverb of the send into `out`; `wet` scales its level.
void addReverb(const StereoBuffer& send, float size, float damping, float wet, StereoBuffer& out);

// Adds a ping-pong echo of the send into `out`: the first repeat on the
// left after `seconds`, the next on the right, each `feedback` softer.
void addEcho(const StereoBuffer& send, double seconds, float feedback, float wet, StereoBuffer& out);

struct MasteringTarget {
    double loudness = -16.0;  // integrated loudness, LUFS (ITU-R BS.1770)
    float ceiling = 0.79f;    // sample peaks, -2 dBFS: the encoder's overshoot stays under -1 dBTP
    double fadeInSeconds = 0.05;
    double fadeOutSeconds = 1.5;
    bool mono = false;        // measured as heard: the left channel on both speakers (dual mono)
};

// Removes DC and subsonic rumble (a high-pass at 20 Hz), fades both ends,
// brings the piece to the target loudness and limits its peaks to the
// ceiling with a look-ahead gain curve (no clipping).
void master(StereoBuffer& buffer, const MasteringTarget& target);

// Integrated loudness in LUFS by libebur128; -inf for silence. `mono`:
// the left channel alone, counted as played on both speakers.
double loudnessOf(const StereoBuffer& buffer, bool mono);

// Puts the average of the two channels into both (a mono encoder takes the left).
void mixToMono(StereoBuffer& buffer);

float peakOf(const StereoBuffer& buffer);
float rmsOf(const StereoBuffer& buffer);

} // namespace trackgen
