// One note of one instrument: oscillator, filter, envelope, pan.
#include "tools/trackgen/rng.h"
#include "tools/trackgen/synth.h"

#include <algorithm>
#include <cmath>

namespace trackgen {
namespace {

constexpr float kTwoPi = 6.2831853f;

// Smooths the steps of saw and square waves so they do not alias.
float polyBlep(float t, float dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

float wrap(float phase) { return phase - std::floor(phase); }

// Sine of a phase in turns, by a short odd polynomial on a quarter wave:
// well under a thousandth off, and much cheaper than std::sin per sample.
float sineOfTurns(float turns)
{
    float a = kTwoPi * wrap(turns);
    if (a > 3.14159265f)
        a -= kTwoPi;
    if (a > 1.5707963f)
        a = 3.14159265f - a;
    else if (a < -1.5707963f)
        a = -3.14159265f - a;
    const float a2 = a * a;
    return a * (1.0f - a2 / 6.0f * (1.0f - a2 / 20.0f * (1.0f - a2 / 42.0f)));
}

struct Oscillator {
    float phase = 0.0f;

    float step(Wave wave, float dt, float pulseWidth)
    {
        float out = 0.0f;
        switch (wave) {
        case Wave::Saw:
            out = 2.0f * phase - 1.0f - polyBlep(phase, dt);
            break;
        case Wave::Square:
            // Less the pulse's mean (2w - 1), so narrow pulses carry no DC.
            out = (phase < pulseWidth ? 1.0f : -1.0f) + polyBlep(phase, dt) -
                  polyBlep(wrap(phase + 1.0f - pulseWidth), dt) + (1.0f - 2.0f * pulseWidth);
            break;
        case Wave::Triangle:
            out = 1.0f - 4.0f * std::fabs(phase - 0.5f);
            break;
        default:
            out = sineOfTurns(phase);
            break;
        }
        phase = wrap(phase + dt);
        return out;
    }
};

// Zero-delay-feedback state-variable filter: stable at any cutoff.
struct Svf {
    float a1 = 0, a2 = 0, a3 = 0, k = 2, ic1 = 0, ic2 = 0;

    void tune(float cutoff, float resonance, float sampleRate)
    {
        const float fc = std::clamp(cutoff, 20.0f, 0.45f * sampleRate);
        const float g = std::tan(3.14159265f * fc / sampleRate);
        k = 2.0f - 2.0f * std::clamp(resonance, 0.0f, 0.9f);
        a1 = 1.0f / (1.0f + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }

    float process(float in, FilterMode mode)
    {
        const float v3 = in - ic2;
        const float v1 = a1 * ic1 + a2 * v3;
        const float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0f * v1 - ic1;
        ic2 = 2.0f * v2 - ic2;
        switch (mode) {
        case FilterMode::LowPass: return v2;
        case FilterMode::HighPass: return in - k * v1 - v2;
        case FilterMode::BandPass: return v1;
        default: return in;
        }
    }
};

// A plucked string (Karplus-Strong) with a fractional delay for tuning.
struct PluckedString {
    std::vector<float> line;
    float delay = 0, loss = 1, blend = 0.5f, last = 0;
    size_t writePos = 0;

    void start(float frequency, const Patch& patch, float sampleRate, Rng& rng)
    {
        // The two-tap average delays by `blend` samples: take it off the line.
        blend = 0.5f * (1.0f - patch.pluckBrightness * 0.9f);
        delay = std::max(2.0f, sampleRate / frequency - blend);
        line.assign(static_cast<size_t>(delay) + 4, 0.0f);
        // A softened noise burst: darker strings start darker.
        float smooth = 0.0f;
        const float keep = 0.2f + 0.8f * patch.pluckBrightness;
        for (size_t i = 0; i + 3 < line.size(); ++i) {
            smooth += keep * (rng.signedUnit() - smooth);
            line[i] = smooth;
        }
        writePos = line.size() - 3;
        loss = std::exp(-4.6f * (sampleRate / frequency) / (patch.decay * sampleRate));
    }

    float step()
    {
        const size_t size = line.size();
        const float readAt = static_cast<float>(writePos) - delay + static_cast<float>(size);
        const size_t i0 = static_cast<size_t>(readAt) % size;
        const float frac = readAt - std::floor(readAt);
        const float delayed = line[i0] + frac * (line[(i0 + 1) % size] - line[i0]);
        const float out = loss * ((1.0f - blend) * delayed + blend * last);
        last = delayed;
        line[writePos] = out;
        writePos = (writePos + 1) % size;
        return out;
    }
};

struct Envelope {
    float level = 0.0f;
    float attackStep, decayKeep, releaseKeep, sustain;
    bool attacking = true;

    Envelope(const Patch& p, float sampleRate)
        : attackStep(1.0f / std::max(1.0f, p.attack * sampleRate)),
          decayKeep(std::exp(-4.6f / std::max(1.0f, p.decay * sampleRate))),
          releaseKeep(std::exp(-4.6f / std::max(1.0f, p.release * sampleRate))), sustain(p.sustain)
    {
    }

    float step(bool released)
    {
        if (released) {
            level *= releaseKeep;
        } else if (attacking) {
            level += attackStep;
            if (level >= 1.0f) {
                level = 1.0f;
                attacking = false;
            }
        } else {
            level = sustain + (level - sustain) * decayKeep;
        }
        return level;
    }
};

float midiToHz(float pitch) { return 440.0f * std::exp2((pitch - 69.0f) / 12.0f); }

} // namespace

void renderNote(const Patch& patch, const Note& note, uint64_t seed, StereoBuffer& dry, Sends& sends)
{
    const float rate = static_cast<float>(dry.sampleRate);
    const size_t first = static_cast<size_t>(note.start * dry.sampleRate);
    if (first >= dry.frames())
        return;
    const size_t releaseAt = static_cast<size_t>(note.length * dry.sampleRate);
    const size_t longest = releaseAt + static_cast<size_t>(patch.release * 2.0f * rate) + 1;
    const size_t count = std::min(longest, dry.frames() - first);

    Rng rng(seed);
    const float baseHz = midiToHz(note.pitch);
    const float detuneRatio = std::exp2(patch.detuneCents / 1200.0f);
    const float panAngle = (std::clamp(note.pan, -1.0f, 1.0f) + 1.0f) * 0.785398f;
    const float gain = patch.level * note.velocity;
    const float gainLeft = gain * std::cos(panAngle), gainRight = gain * std::sin(panAngle);
    const float driveNorm = patch.drive > 0 ? 1.0f / std::tanh(1.0f + patch.drive) : 1.0f;
    // A detuned pair runs as two voices, one leaning left and one right: the
    // beating between them becomes width instead of a wobble in the middle.
    const bool pair = patch.detuneCents != 0.0f && patch.wave != Wave::Pluck && patch.wave != Wave::Noise &&
                      patch.wave != Wave::Fm;
    const float spread = std::clamp(patch.detuneSpread, 0.0f, 1.0f);
    const float nearSide = 0.5f * (1.0f + spread), farSide = 0.5f * (1.0f - spread);
    const bool echo = patch.delaySend > 0.0f && sends.echo.frames() == dry.frames();
    const bool reverb = sends.reverb.frames() == dry.frames();

    Oscillator osc, osc2, modulator;
    osc2.phase = rng.unit();
    PluckedString string;
    if (patch.wave == Wave::Pluck)
        string.start(baseHz, patch, rate, rng);
    Svf filter, filter2;
    Envelope env(patch, rate);
    const bool pluckSustains = patch.wave == Wave::Pluck;
    if (pluckSustains)
        env.sustain = 1.0f;

    // Pitch, vibrato and modulation move slowly: they are updated every
    // few samples rather than every sample.
    constexpr size_t kControlPeriod = 16;
    float dt = 0.0f, fmIndex = 0.0f;
    for (size_t i = 0; i < count; ++i) {
        const float t = static_cast<float>(i) / rate;
        if (i % kControlPeriod == 0) {
            float hz = baseHz;
            if (patch.pitchSweep != 1.0f)
                hz *= 1.0f + (patch.pitchSweep - 1.0f) * std::exp(-t / patch.pitchDecay);
            if (patch.vibratoCents > 0.0f && t > patch.vibratoDelay) {
                const float depth = patch.vibratoCents * std::min(1.0f, (t - patch.vibratoDelay) / 0.3f);
                hz *= std::exp2(depth * std::sin(kTwoPi * patch.vibratoRate * t) / 1200.0f);
            }
            dt = std::min(hz / rate, 0.49f);
            fmIndex = patch.fmSustain + (patch.fmIndex - patch.fmSustain) * std::exp(-t / patch.fmDecay);
        }

        float x = 0.0f, x2 = 0.0f;
        switch (patch.wave) {
        case Wave::Pluck:
            x = string.step();
            break;
        case Wave::Noise:
            x = rng.signedUnit();
            break;
        case Wave::Fm: {
            const float mod = modulator.step(Wave::Sine, std::min(dt * patch.fmRatio, 0.49f), 0.5f);
            x = sineOfTurns(osc.phase + fmIndex * mod / kTwoPi);
            osc.phase = wrap(osc.phase + dt);
            break;
        }
        default:
            x = osc.step(patch.wave, dt, patch.pulseWidth);
            if (pair)
                x2 = osc2.step(patch.wave, std::min(dt * detuneRatio, 0.49f), patch.pulseWidth);
            break;
        }
        if (patch.noiseMix > 0.0f) {
            const float noise = patch.noiseMix * rng.signedUnit();
            x += noise;
            x2 += noise;
        }

        if (patch.filter != FilterMode::None) {
            if ((i & 31u) == 0) {
                float cutoff = patch.cutoffTracksPitch ? patch.cutoff * baseHz : patch.cutoff;
                cutoff *= 1.0f + patch.filterEnv * std::exp(-t / patch.filterDecay);
                filter.tune(cutoff, patch.resonance, rate);
                filter2.a1 = filter.a1;
                filter2.a2 = filter.a2;
                filter2.a3 = filter.a3;
                filter2.k = filter.k;
            }
            x = filter.process(x, patch.filter);
            if (pair)
                x2 = filter2.process(x2, patch.filter);
        }
        if (patch.drive > 0.0f) {
            x = std::tanh(x * (1.0f + patch.drive)) * driveNorm;
            if (pair)
                x2 = std::tanh(x2 * (1.0f + patch.drive)) * driveNorm;
        }

        const float level = env.step(i >= releaseAt);
        // Released, or a struck sound that has died away: nothing more to add.
        if (level < 1e-4f && (i >= releaseAt || (!env.attacking && env.sustain <= 0.0f)))
            break;
        float left = x * level, right = left;
        if (pair) {
            const float a = 0.5f * x * level, b = 0.5f * x2 * level;
            left = nearSide * a + farSide * b;
            right = farSide * a + nearSide * b;
            // Keeps the pair as loud as one voice was at the centre.
            left *= 2.0f;
            right *= 2.0f;
        }
        left *= gainLeft;
        right *= gainRight;
        const size_t at = first + i;
        dry.left[at] += left;
        dry.right[at] += right;
        if (reverb) {
            sends.reverb.left[at] += left * note.reverbSend;
            sends.reverb.right[at] += right * note.reverbSend;
        }
        if (echo) {
            sends.echo.left[at] += left * patch.delaySend;
            sends.echo.right[at] += right * patch.delaySend;
        }
    }
}

} // namespace trackgen
