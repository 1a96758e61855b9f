// A synthesizer voice described as plain numbers: every instrument of the
// soundtrack, drums included, is one of these.
#pragma once

namespace trackgen {

enum class Wave { Sine, Saw, Square, Triangle, Pluck, Fm, Noise };
enum class FilterMode { None, LowPass, HighPass, BandPass };

struct Patch {
    Wave wave = Wave::Sine;
    float level = 1.0f;
    // A second oscillator of the same wave, detuned, for width and warmth;
    // the two sit `detuneSpread` apart in the stereo field (0 together, 1 hard apart).
    float detuneCents = 0.0f;
    float detuneSpread = 0.8f;
    float pulseWidth = 0.5f;     // Square only
    // Fm: a sine modulator at `fmRatio` times the pitch, index decaying to `fmSustain`.
    float fmRatio = 1.0f;
    float fmIndex = 0.0f;
    float fmSustain = 0.0f;
    float fmDecay = 0.3f;
    // Pluck: how much of the string's brightness survives each pass (0..1).
    float pluckBrightness = 0.5f;
    float noiseMix = 0.0f;       // breath or rattle added to the tone
    // Amplitude envelope, seconds and sustain level.
    float attack = 0.005f;
    float decay = 0.2f;
    float sustain = 0.7f;
    float release = 0.2f;
    // Filter: cutoff in Hz (or times the pitch when `cutoffTracksPitch`),
    // opened by `filterEnv` times the cutoff at the start and closing over `filterDecay`.
    FilterMode filter = FilterMode::None;
    float cutoff = 2000.0f;
    bool cutoffTracksPitch = false;
    float resonance = 0.2f;      // 0 (none) .. 0.9
    float filterEnv = 0.0f;
    float filterDecay = 0.2f;
    // Pitch starts `pitchSweep` times higher and falls back over `pitchDecay`.
    float pitchSweep = 1.0f;
    float pitchDecay = 0.05f;
    float vibratoCents = 0.0f;
    float vibratoRate = 5.0f;
    float vibratoDelay = 0.2f;
    float drive = 0.0f;          // soft saturation, 0 = clean
    float delaySend = 0.0f;      // into the style's echo, 0..1
};

} // namespace trackgen
