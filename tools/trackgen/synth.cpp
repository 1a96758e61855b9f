#include "tools/trackgen/synth.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <memory>

namespace trackgen {
namespace {

// A damped feedback comb and an allpass, the two halves of a classic
// Schroeder-style reverb.
struct Comb {
    std::vector<float> line;
    size_t pos = 0;
    float store = 0.0f;

    float process(float in, float feedback, float damping)
    {
        const float out = line[pos];
        store = out * (1.0f - damping) + store * damping;
        line[pos] = in + store * feedback;
        pos = pos + 1 == line.size() ? 0 : pos + 1;
        return out;
    }
};

struct Allpass {
    std::vector<float> line;
    size_t pos = 0;

    float process(float in)
    {
        const float delayed = line[pos];
        line[pos] = in + delayed * 0.5f;
        pos = pos + 1 == line.size() ? 0 : pos + 1;
        return delayed - in;
    }
};

struct ReverbChannel {
    Comb combs[8];
    Allpass allpasses[4];

    ReverbChannel(int sampleRate, int spread)
    {
        static const int combLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
        static const int allpassLengths[4] = {556, 441, 341, 225};
        const double scale = sampleRate / 44100.0;
        for (int i = 0; i < 8; ++i)
            combs[i].line.assign(static_cast<size_t>((combLengths[i] + spread) * scale), 0.0f);
        for (int i = 0; i < 4; ++i)
            allpasses[i].line.assign(static_cast<size_t>((allpassLengths[i] + spread) * scale), 0.0f);
    }

    float process(float in, float feedback, float damping)
    {
        float sum = 0.0f;
        for (Comb& comb : combs)
            sum += comb.process(in, feedback, damping);
        for (Allpass& allpass : allpasses)
            sum = allpass.process(sum);
        return sum;
    }
};

uint64_t noteSeed(uint64_t seed, size_t index) { return seed * 0x100000001B3ull + index * 0x9E3779B97F4A7C15ull + 1; }

void applyFades(StereoBuffer& buffer, double fadeInSeconds, double fadeOutSeconds)
{
    const size_t frames = buffer.frames();
    const size_t fadeIn = std::min(frames, static_cast<size_t>(fadeInSeconds * buffer.sampleRate));
    const size_t fadeOut = std::min(frames, static_cast<size_t>(fadeOutSeconds * buffer.sampleRate));
    for (size_t i = 0; i < fadeIn; ++i) {
        const float g = static_cast<float>(i) / static_cast<float>(fadeIn);
        buffer.left[i] *= g;
        buffer.right[i] *= g;
    }
    for (size_t i = 0; i < fadeOut; ++i) {
        // A cosine ending reaching exactly zero on the last sample.
        const float x = static_cast<float>(i + 1) / static_cast<float>(fadeOut);
        const float g = 0.5f + 0.5f * std::cos(3.14159265f * x);
        buffer.left[frames - fadeOut + i] *= g;
        buffer.right[frames - fadeOut + i] *= g;
    }
}

// Gain per frame that keeps every peak at or under the ceiling: the least
// gain needed anywhere in the window before, averaged over the window after,
// which never exceeds what any frame needs and changes smoothly.
std::vector<float> limiterGains(const StereoBuffer& buffer, float ceiling)
{
    const size_t frames = buffer.frames();
    const size_t window = std::max<size_t>(1, static_cast<size_t>(0.015 * buffer.sampleRate));
    std::vector<float> need(frames);
    for (size_t i = 0; i < frames; ++i) {
        const float peak = std::max(std::fabs(buffer.left[i]), std::fabs(buffer.right[i]));
        need[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    std::vector<float> windowMin(frames);
    std::deque<size_t> candidates;
    for (size_t i = 0; i < frames; ++i) {
        while (!candidates.empty() && need[candidates.back()] >= need[i])
            candidates.pop_back();
        candidates.push_back(i);
        if (candidates.front() + window <= i)
            candidates.pop_front();
        windowMin[i] = need[candidates.front()];
    }
    std::vector<float> gains(frames);
    double sum = 0.0;
    for (size_t i = 0; i < window && i < frames; ++i)
        sum += windowMin[i];
    for (size_t i = 0; i < frames; ++i) {
        const size_t span = std::min(window, frames - i);
        gains[i] = static_cast<float>(sum / static_cast<double>(span));
        sum -= windowMin[i];
        if (i + window < frames)
            sum += windowMin[i + window];
        // Rounding in the running sum must never lift the gain above the need.
        gains[i] = std::min(gains[i], need[i]);
    }
    return gains;
}

void scale(StereoBuffer& buffer, float gain)
{
    for (size_t i = 0; i < buffer.frames(); ++i) {
        buffer.left[i] *= gain;
        buffer.right[i] *= gain;
    }
}

// Fourth-order Butterworth high-pass at 20 Hz: what lies below is felt
// rather than heard, and it costs loudness and peak room for nothing.
void highPass(StereoBuffer& buffer)
{
    const double w = 2.0 * 3.141592653589793 * 20.0 / buffer.sampleRate;
    const double qs[2] = {0.5411961, 1.3065630};
    for (double q : qs) {
        const double alpha = std::sin(w) / (2.0 * q), c = std::cos(w), a0 = 1.0 + alpha;
        const double b0 = (1.0 + c) / 2.0 / a0, b1 = -(1.0 + c) / a0, b2 = b0;
        const double a1 = -2.0 * c / a0, a2 = (1.0 - alpha) / a0;
        for (std::vector<float>* channel : {&buffer.left, &buffer.right}) {
            double z1 = 0.0, z2 = 0.0;
            for (float& sample : *channel) {
                const double x = sample, y = b0 * x + z1;
                z1 = b1 * x - a1 * y + z2;
                z2 = b2 * x - a2 * y;
                sample = static_cast<float>(y);
            }
        }
    }
}

} // namespace

Sends sendsFor(const StereoBuffer& dry, bool withEcho)
{
    Sends sends;
    sends.reverb.sampleRate = sends.echo.sampleRate = dry.sampleRate;
    sends.reverb.left.assign(dry.frames(), 0.0f);
    sends.reverb.right.assign(dry.frames(), 0.0f);
    if (withEcho) {
        sends.echo.left.assign(dry.frames(), 0.0f);
        sends.echo.right.assign(dry.frames(), 0.0f);
    }
    return sends;
}

StereoBuffer renderScore(const Score& score, int sampleRate, double seconds, uint64_t seed)
{
    StereoBuffer out;
    out.sampleRate = sampleRate;
    const size_t frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    out.left.assign(frames, 0.0f);
    out.right.assign(frames, 0.0f);
    const bool echo = score.delaySeconds > 0.0 && score.delayWet > 0.0f;
    Sends sends = sendsFor(out, echo);
    for (size_t i = 0; i < score.notes.size(); ++i) {
        const Note& note = score.notes[i];
        if (note.start < seconds)
            renderNote(score.patches[note.patch], note, noteSeed(seed, i), out, sends);
    }
    if (echo) {
        // The echoes are heard in the room too.
        addEcho(sends.echo, score.delaySeconds, score.delayFeedback, score.delayWet, sends.reverb);
        addEcho(sends.echo, score.delaySeconds, score.delayFeedback, score.delayWet, out);
    }
    addReverb(sends.reverb, score.reverbSize, score.reverbDamping, score.reverbWet, out);
    return out;
}

void addReverb(const StereoBuffer& send, float size, float damping, float wet, StereoBuffer& out)
{
    ReverbChannel left(out.sampleRate, 0), right(out.sampleRate, 23);
    const float inputGain = 0.015f * wet;
    // Each side hears mostly its own half of the send: a voice on the left
    // lights the room from the left.
    constexpr float kOwn = 0.75f, kOther = 0.25f;
    for (size_t i = 0; i < out.frames() && i < send.frames(); ++i) {
        const float l = send.left[i] * inputGain, r = send.right[i] * inputGain;
        out.left[i] += left.process(kOwn * l + kOther * r, size, damping);
        out.right[i] += right.process(kOwn * r + kOther * l, size, damping);
    }
}

void addEcho(const StereoBuffer& send, double seconds, float feedback, float wet, StereoBuffer& out)
{
    const size_t length = std::max<size_t>(1, static_cast<size_t>(seconds * out.sampleRate));
    std::vector<float> lineLeft(length, 0.0f), lineRight(length, 0.0f);
    // Each repeat a little darker, as tape and air make it.
    const float keep = std::exp(-2.0f * 3.14159265f * 3500.0f / static_cast<float>(out.sampleRate));
    float tone = 0.0f;
    size_t pos = 0;
    for (size_t i = 0; i < out.frames() && i < send.frames(); ++i) {
        const float fromLeft = lineLeft[pos], fromRight = lineRight[pos];
        tone = (1.0f - keep) * fromRight + keep * tone;
        lineLeft[pos] = 0.5f * (send.left[i] + send.right[i]) + feedback * tone;
        lineRight[pos] = fromLeft;
        out.left[i] += wet * fromLeft;
        out.right[i] += wet * fromRight;
        pos = pos + 1 == length ? 0 : pos + 1;
    }
}

double loudnessOf(const StereoBuffer& buffer, bool mono)
{
    struct Deleter {
        void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
    };
    const unsigned channels = mono ? 1u : 2u;
    std::unique_ptr<ebur128_state, Deleter> state(
        ebur128_init(channels, static_cast<unsigned long>(buffer.sampleRate), EBUR128_MODE_I));
    if (!state)
        return -std::numeric_limits<double>::infinity();
    // The player sends a mono track to both speakers: it is heard, and
    // measured, as the same signal twice (3 dB louder than one channel).
    if (mono)
        ebur128_set_channel(state.get(), 0, EBUR128_DUAL_MONO);
    constexpr size_t kChunk = 4096;
    std::vector<float> frames(kChunk * channels);
    for (size_t first = 0; first < buffer.frames(); first += kChunk) {
        const size_t count = std::min(kChunk, buffer.frames() - first);
        for (size_t i = 0; i < count; ++i) {
            frames[i * channels] = buffer.left[first + i];
            if (!mono)
                frames[i * channels + 1] = buffer.right[first + i];
        }
        ebur128_add_frames_float(state.get(), frames.data(), count);
    }
    double loudness = -std::numeric_limits<double>::infinity();
    ebur128_loudness_global(state.get(), &loudness);
    return loudness;
}

void master(StereoBuffer& buffer, const MasteringTarget& target)
{
    highPass(buffer);
    applyFades(buffer, target.fadeInSeconds, target.fadeOutSeconds);
    // Limiting takes a little loudness off; a few rounds of measuring and
    // correcting land within a few hundredths of a unit.
    for (int round = 0; round < 8; ++round) {
        const double loudness = loudnessOf(buffer, target.mono);
        if (!std::isfinite(loudness))
            return;
        const double correction = target.loudness - loudness;
        if (std::fabs(correction) < 0.05)
            break;
        scale(buffer, static_cast<float>(std::pow(10.0, correction / 20.0)));
        const std::vector<float> gains = limiterGains(buffer, target.ceiling);
        for (size_t i = 0; i < buffer.frames(); ++i) {
            buffer.left[i] *= gains[i];
            buffer.right[i] *= gains[i];
        }
    }
}

void mixToMono(StereoBuffer& buffer)
{
    for (size_t i = 0; i < buffer.frames(); ++i)
        buffer.left[i] = buffer.right[i] = 0.5f * (buffer.left[i] + buffer.right[i]);
}

float peakOf(const StereoBuffer& buffer)
{
    float peak = 0.0f;
    for (float s : buffer.left)
        peak = std::max(peak, std::fabs(s));
    for (float s : buffer.right)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

float rmsOf(const StereoBuffer& buffer)
{
    double sum = 0.0;
    for (float s : buffer.left)
        sum += static_cast<double>(s) * s;
    for (float s : buffer.right)
        sum += static_cast<double>(s) * s;
    const size_t count = buffer.left.size() + buffer.right.size();
    return count == 0 ? 0.0f : static_cast<float>(std::sqrt(sum / static_cast<double>(count)));
}

} // namespace trackgen
