#include "tools/trackgen/synth.h"

#include <algorithm>
#include <cmath>
#include <deque>

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

} // namespace

StereoBuffer renderScore(const Score& score, int sampleRate, double seconds, uint64_t seed)
{
    StereoBuffer out;
    out.sampleRate = sampleRate;
    const size_t frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    out.left.assign(frames, 0.0f);
    out.right.assign(frames, 0.0f);
    std::vector<float> send(frames, 0.0f);
    for (size_t i = 0; i < score.notes.size(); ++i) {
        const Note& note = score.notes[i];
        if (note.start < seconds)
            renderNote(score.patches[note.patch], note, noteSeed(seed, i), out, send);
    }
    addReverb(send, score.reverbSize, score.reverbDamping, out);
    return out;
}

void addReverb(const std::vector<float>& send, float size, float damping, StereoBuffer& out)
{
    ReverbChannel left(out.sampleRate, 0), right(out.sampleRate, 23);
    const float inputGain = 0.015f;
    for (size_t i = 0; i < out.frames() && i < send.size(); ++i) {
        const float in = send[i] * inputGain;
        out.left[i] += left.process(in, size, damping);
        out.right[i] += right.process(in, size, damping);
    }
}

void master(StereoBuffer& buffer, const MasteringTarget& target)
{
    applyFades(buffer, target.fadeInSeconds, target.fadeOutSeconds);
    const float rms = rmsOf(buffer);
    if (rms <= 0.0f)
        return;
    const float gain = target.rms / rms;
    for (size_t i = 0; i < buffer.frames(); ++i) {
        buffer.left[i] *= gain;
        buffer.right[i] *= gain;
    }
    const std::vector<float> gains = limiterGains(buffer, target.ceiling);
    for (size_t i = 0; i < buffer.frames(); ++i) {
        buffer.left[i] *= gains[i];
        buffer.right[i] *= gains[i];
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
