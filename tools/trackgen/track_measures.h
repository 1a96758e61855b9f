// What a mastering engineer checks on a finished track, measured on the
// decoded audio: loudness by ITU-R BS.1770 (libebur128), true peak, DC,
// subsonic energy, stereo width, and a rhythm fingerprint that tells two
// arrangements apart.
#pragma once

#include "tools/trackgen/mp3_decode.h"

#include <vector>

namespace trackgen {

struct TrackMeasures {
    double loudness = 0;        // integrated, LUFS, as heard (a mono file as dual mono)
    double loudnessRange = 0;   // LU
    double truePeak = 0;        // dBTP, the highest channel
    double dc = 0;              // largest |mean| of a channel, full scale = 1
    double subsonicShare = 0;   // share of the energy below 20 Hz, 0..1
    double sideToMid = 0;       // dB; -inf for mono
    double correlation = 1;     // left with right; 1 for mono
    // The sound falls from above -30 to below -60 dBFS within 80 ms in the
    // last eight seconds: the music stops dead instead of ringing into the fade.
    bool abruptEnding = false;
    // Energy in eight octave bands from 63 Hz to 8 kHz, dB relative to their sum:
    // the colour of the instruments, for telling artists apart.
    std::vector<double> octaveBands;
    // Onset strength folded over one bar, `kOnsetBins` bins from the downbeat.
    std::vector<double> onsetPattern;
};

constexpr int kOnsetBins = 64;

// `barSeconds` is the piece's bar length; the folding starts at time 0,
// where every piece starts on a downbeat.
TrackMeasures measureTrack(const DecodedAudio& audio, double barSeconds);

// Integrated loudness alone (LUFS; -inf for silence), as heard: a mono
// file's one channel counted twice, as the player plays it on both speakers.
double loudnessOf(const DecodedAudio& audio);

// Pearson correlation of two onset patterns: 1 the same rhythm, 0 unrelated.
double patternCorrelation(const std::vector<double>& a, const std::vector<double>& b);

} // namespace trackgen
