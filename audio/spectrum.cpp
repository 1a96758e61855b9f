#include "audio/spectrum.h"

#include <kiss_fftr.h>

#include <cmath>
#include <numbers>

static_assert(kSpectrumWindow == 2 * kSpectrumBins);

SpectrumAnalyser::SpectrumAnalyser()
    : config_(kiss_fftr_alloc(kSpectrumWindow, 0, nullptr, nullptr))
{
    double sum = 0.0;
    for (int n = 0; n < kSpectrumWindow; ++n) {
        // The periodic Hann window: its sum is exactly half the length.
        double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * n / kSpectrumWindow);
        window_[size_t(n)] = float(w);
        sum += w;
    }
    scale_ = float(2.0 / sum);
}

SpectrumAnalyser::~SpectrumAnalyser()
{
    kiss_fftr_free(config_);
}

void SpectrumAnalyser::analyse(const float* samples, float out[kSpectrumBins])
{
    std::array<kiss_fft_scalar, kSpectrumWindow> windowed;
    std::array<kiss_fft_cpx, kSpectrumBins + 1> bins;
    for (size_t n = 0; n < windowed.size(); ++n)
        windowed[n] = samples[n] * window_[n];
    kiss_fftr(config_, windowed.data(), bins.data());
    for (int k = 0; k < kSpectrumBins; ++k)
        out[k] = std::hypot(bins[size_t(k)].r, bins[size_t(k)].i) * scale_;
}
