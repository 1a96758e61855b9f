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

// Renders the first `seconds` of the score (the whole piece when the score
// is at least that long) at the given rate; `seed` makes noise repeatable.
StereoBuffer renderScore(const Score& score, int sampleRate, double seconds, uint64_t seed);

// Adds one note's voice to `dry` (panned) and to the mono reverb send.
void renderNote(const Patch& patch, const Note& note, uint64_t seed, StereoBuffer& dry, std::vector<float>& send);

// Adds the reverb of the mono send into the stereo buffer.
void addReverb(const std::vector<float>& send, float size, float damping, StereoBuffer& out);

struct MasteringTarget {
    float rms = 0.125f;       // about -18 dBFS
    float ceiling = 0.79f;    // about -2 dBFS, leaving room for the encoder
    double fadeInSeconds = 0.05;
    double fadeOutSeconds = 1.5;
};

// Fades both ends, brings the piece to the target loudness and limits its
// peaks to the ceiling with a look-ahead gain curve (no clipping).
void master(StereoBuffer& buffer, const MasteringTarget& target);

// Puts the average of the two channels into both (a mono encoder takes the left).
void mixToMono(StereoBuffer& buffer);

float peakOf(const StereoBuffer& buffer);
float rmsOf(const StereoBuffer& buffer);

} // namespace trackgen
