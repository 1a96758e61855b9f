// Magnitudes of a Hann-windowed 512-sample FFT, scaled so that a full-scale
// sine reads close to 1 at its peak bin.
#pragma once

#include "audio/audio_engine.h"
#include "audio/played_history.h"

#include <array>

struct kiss_fftr_state;

class SpectrumAnalyser {
public:
    SpectrumAnalyser();
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    // `samples`: kSpectrumWindow mono samples, oldest first.
    // out[k] = |X[k]| * 2 / (sum of the window) for k = 0 .. 255.
    void analyse(const float* samples, float out[kSpectrumBins]);

private:
    kiss_fftr_state* config_;
    std::array<float, kSpectrumWindow> window_{};
    float scale_ = 0.0f;
};
