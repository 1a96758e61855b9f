#include "tools/trackgen/track_measures.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace trackgen {
namespace {

// A second-order section (RBJ cookbook), in double precision: the measures
// must not add noise of their own.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0, z1 = 0, z2 = 0;

    static Biquad lowPass(double hz, double q, double rate)
    {
        const double w = 2.0 * M_PI * hz / rate, alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
        const double a0 = 1.0 + alpha;
        return {(1.0 - c) / 2.0 / a0, (1.0 - c) / a0, (1.0 - c) / 2.0 / a0, -2.0 * c / a0, (1.0 - alpha) / a0};
    }

    static Biquad bandPass(double hz, double q, double rate)
    {
        const double w = 2.0 * M_PI * hz / rate, alpha = std::sin(w) / (2.0 * q), c = std::cos(w);
        const double a0 = 1.0 + alpha;
        return {alpha / a0, 0.0, -alpha / a0, -2.0 * c / a0, (1.0 - alpha) / a0};
    }

    double process(double x)
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

struct EburDeleter {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};

using EburState = std::unique_ptr<ebur128_state, EburDeleter>;

// A loudness meter for the file's channels. The player sends a mono file to
// both speakers, so its one channel counts twice (dual mono), as heard.
EburState loudnessMeter(const DecodedAudio& audio, int mode)
{
    EburState state(ebur128_init(static_cast<unsigned>(audio.channels), static_cast<unsigned long>(audio.rate), mode));
    if (state && audio.channels == 1)
        ebur128_set_channel(state.get(), 0, EBUR128_DUAL_MONO);
    return state;
}

void measureLoudness(const DecodedAudio& audio, TrackMeasures& m)
{
    EburState state = loudnessMeter(audio, EBUR128_MODE_I | EBUR128_MODE_LRA | EBUR128_MODE_TRUE_PEAK);
    const size_t frames = audio.samples.size() / static_cast<size_t>(audio.channels);
    ebur128_add_frames_float(state.get(), audio.samples.data(), frames);
    ebur128_loudness_global(state.get(), &m.loudness);
    ebur128_loudness_range(state.get(), &m.loudnessRange);
    double peak = 0.0;
    for (int c = 0; c < audio.channels; ++c) {
        double channelPeak = 0.0;
        ebur128_true_peak(state.get(), static_cast<unsigned>(c), &channelPeak);
        peak = std::max(peak, channelPeak);
    }
    m.truePeak = 20.0 * std::log10(std::max(peak, 1e-12));
}

void measureLevels(const DecodedAudio& audio, TrackMeasures& m)
{
    const size_t channels = static_cast<size_t>(audio.channels);
    const size_t frames = audio.samples.size() / channels;
    std::vector<double> sums(channels, 0.0);
    double energy = 0.0, subsonic = 0.0, mid = 0.0, side = 0.0, lr = 0.0, ll = 0.0, rr = 0.0;
    // Two cascaded Butterworth sections: a fourth-order low-pass at 20 Hz.
    std::vector<Biquad> low(2 * channels, Biquad::lowPass(20.0, M_SQRT1_2, static_cast<double>(audio.rate)));
    std::vector<Biquad> octaves;
    for (int b = 0; b < 8; ++b)
        octaves.push_back(Biquad::bandPass(std::min(62.5 * std::exp2(b), 0.4 * audio.rate), 1.41, audio.rate));
    std::vector<double> octaveEnergy(8, 0.0);
    for (size_t i = 0; i < frames; ++i) {
        const float* frame = &audio.samples[i * channels];
        for (size_t c = 0; c < channels; ++c) {
            const double x = frame[c];
            sums[c] += x;
            energy += x * x;
            const double below = low[2 * c + 1].process(low[2 * c].process(x));
            subsonic += below * below;
        }
        double sum = 0.0;
        for (size_t c = 0; c < channels; ++c)
            sum += frame[c];
        for (int b = 0; b < 8; ++b) {
            const double y = octaves[b].process(sum);
            octaveEnergy[b] += y * y;
        }
        if (channels == 2) {
            const double l = frame[0], r = frame[1];
            mid += (l + r) * (l + r);
            side += (l - r) * (l - r);
            lr += l * r;
            ll += l * l;
            rr += r * r;
        }
    }
    for (double sum : sums)
        m.dc = std::max(m.dc, std::fabs(sum / static_cast<double>(frames)));
    double total = 1e-30;
    for (double e : octaveEnergy)
        total += e;
    for (double e : octaveEnergy)
        m.octaveBands.push_back(10.0 * std::log10(std::max(e, 1e-30) / total));
    m.subsonicShare = energy > 0.0 ? subsonic / energy : 0.0;
    if (channels == 2) {
        m.sideToMid = 10.0 * std::log10(std::max(side, 1e-30) / std::max(mid, 1e-30));
        m.correlation = ll > 0.0 && rr > 0.0 ? lr / std::sqrt(ll * rr) : 1.0;
    } else {
        m.sideToMid = -std::numeric_limits<double>::infinity();
    }
}

// Onsets as the rise of energy in four bands (drums, bass, chords, hats),
// in steps of about 6 ms, folded over the bar.
void measureOnsets(const DecodedAudio& audio, double barSeconds, TrackMeasures& m)
{
    const size_t channels = static_cast<size_t>(audio.channels);
    const size_t frames = audio.samples.size() / channels;
    const double rate = static_cast<double>(audio.rate);
    const size_t hop = static_cast<size_t>(rate / 172.0);
    const double centres[4] = {100.0, 400.0, 1600.0, 6400.0};
    std::vector<Biquad> bands;
    for (double hz : centres)
        bands.push_back(Biquad::bandPass(std::min(hz, 0.4 * rate), 1.0, rate));
    double previous[4] = {0, 0, 0, 0};
    std::vector<double> folded(kOnsetBins, 0.0), counts(kOnsetBins, 0.0);
    for (size_t start = 0; start + hop <= frames; start += hop) {
        double energy[4] = {0, 0, 0, 0};
        for (size_t i = start; i < start + hop; ++i) {
            double x = 0.0;
            for (size_t c = 0; c < channels; ++c)
                x += audio.samples[i * channels + c];
            for (int b = 0; b < 4; ++b) {
                const double y = bands[b].process(x);
                energy[b] += y * y;
            }
        }
        double flux = 0.0;
        for (int b = 0; b < 4; ++b) {
            const double level = std::log10(energy[b] / static_cast<double>(hop) + 1e-9);
            flux += std::max(0.0, level - previous[b]);
            previous[b] = level;
        }
        const double t = static_cast<double>(start) / rate;
        const double phase = t / barSeconds - std::floor(t / barSeconds);
        const int bin = std::min(kOnsetBins - 1, static_cast<int>(phase * kOnsetBins));
        folded[bin] += flux;
        counts[bin] += 1.0;
    }
    for (int b = 0; b < kOnsetBins; ++b)
        folded[b] = counts[b] > 0.0 ? folded[b] / counts[b] : 0.0;
    m.onsetPattern = folded;
}

void measureEnding(const DecodedAudio& audio, TrackMeasures& m)
{
    const size_t channels = static_cast<size_t>(audio.channels);
    const size_t frames = audio.samples.size() / channels;
    const size_t window = static_cast<size_t>(audio.rate / 100);
    const size_t from = frames > 8 * static_cast<size_t>(audio.rate) ? frames - 8 * static_cast<size_t>(audio.rate) : 0;
    std::vector<double> levels;
    for (size_t start = from; start + window <= frames; start += window) {
        double sum = 0.0;
        for (size_t i = start * channels; i < (start + window) * channels; ++i)
            sum += static_cast<double>(audio.samples[i]) * audio.samples[i];
        levels.push_back(10.0 * std::log10(sum / static_cast<double>(window * channels) + 1e-20));
    }
    for (size_t i = 0; i + 8 < levels.size(); ++i)
        if (levels[i] > -30.0 && *std::min_element(levels.begin() + i + 1, levels.begin() + i + 9) < -60.0)
            m.abruptEnding = true;
}

} // namespace

TrackMeasures measureTrack(const DecodedAudio& audio, double barSeconds)
{
    TrackMeasures m;
    if (audio.channels < 1 || audio.samples.empty() || audio.rate <= 0)
        return m;
    measureLoudness(audio, m);
    measureLevels(audio, m);
    measureOnsets(audio, barSeconds, m);
    measureEnding(audio, m);
    return m;
}

double loudnessOf(const DecodedAudio& audio)
{
    double loudness = -std::numeric_limits<double>::infinity();
    if (audio.channels < 1 || audio.samples.empty() || audio.rate <= 0)
        return loudness;
    EburState state = loudnessMeter(audio, EBUR128_MODE_I);
    ebur128_add_frames_float(state.get(), audio.samples.data(), audio.samples.size() / audio.channels);
    ebur128_loudness_global(state.get(), &loudness);
    return loudness;
}

double patternCorrelation(const std::vector<double>& a, const std::vector<double>& b)
{
    const size_t n = std::min(a.size(), b.size());
    if (n == 0)
        return 0.0;
    double meanA = 0.0, meanB = 0.0;
    for (size_t i = 0; i < n; ++i) {
        meanA += a[i];
        meanB += b[i];
    }
    meanA /= static_cast<double>(n);
    meanB /= static_cast<double>(n);
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (size_t i = 0; i < n; ++i) {
        ab += (a[i] - meanA) * (b[i] - meanB);
        aa += (a[i] - meanA) * (a[i] - meanA);
        bb += (b[i] - meanB) * (b[i] - meanB);
    }
    return aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 0.0;
}

} // namespace trackgen
