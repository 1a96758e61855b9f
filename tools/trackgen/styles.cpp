// The eleven artists' sounds.
#include "tools/trackgen/style.h"

#include <cassert>

namespace trackgen {
namespace {

// Building blocks shared by several artists.
Patch kick(float level, float decay, float sweep, float drive = 0.0f)
{
    return {.wave = Wave::Sine, .level = level, .attack = 0.001f, .decay = decay, .sustain = 0.0f, .release = 0.05f,
            .pitchSweep = sweep, .pitchDecay = 0.03f, .drive = drive};
}

Patch noiseHit(float level, FilterMode mode, float cutoff, float resonance, float decay)
{
    return {.wave = Wave::Noise, .level = level, .attack = 0.001f, .decay = decay, .sustain = 0.0f, .release = 0.03f,
            .filter = mode, .cutoff = cutoff, .resonance = resonance};
}

Patch snare(float level, float cutoff, float decay)
{
    Patch p = noiseHit(level, FilterMode::BandPass, cutoff, 0.3f, decay);
    p.wave = Wave::Triangle;   // a tuned body under the rattle
    p.noiseMix = 2.5f;
    p.pitchSweep = 1.6f;
    return p;
}

Patch pluck(float level, float brightness, float decay, float release = 0.3f)
{
    return {.wave = Wave::Pluck, .level = level, .pluckBrightness = brightness, .attack = 0.002f, .decay = decay,
            .release = release};
}

Patch pad(float level, Wave wave, float detune, float cutoff, float attack, float release)
{
    return {.wave = wave, .level = level, .detuneCents = detune, .attack = attack, .decay = 1.0f, .sustain = 0.85f,
            .release = release, .filter = FilterMode::LowPass, .cutoff = cutoff, .resonance = 0.1f,
            .vibratoCents = 4.0f, .vibratoRate = 4.5f, .vibratoDelay = 0.3f};
}

Patch flute(float level, float breath, float vibrato)
{
    return {.wave = Wave::Sine, .level = level, .noiseMix = breath, .attack = 0.06f, .decay = 0.4f, .sustain = 0.8f,
            .release = 0.15f, .filter = FilterMode::LowPass, .cutoff = 6.0f, .cutoffTracksPitch = true,
            .vibratoCents = vibrato, .vibratoRate = 5.2f, .vibratoDelay = 0.18f};
}

Patch bell(float level, float ratio, float index, float decay)
{
    return {.wave = Wave::Fm, .level = level, .fmRatio = ratio, .fmIndex = index, .fmSustain = 0.2f,
            .fmDecay = decay * 0.4f, .attack = 0.002f, .decay = decay, .sustain = 0.0f, .release = decay * 0.5f};
}

Patch subBass(float level, float decay, float sustain)
{
    return {.wave = Wave::Triangle, .level = level, .attack = 0.005f, .decay = decay, .sustain = sustain,
            .release = 0.08f, .filter = FilterMode::LowPass, .cutoff = 700.0f};
}

Patch sawBass(float level, float cutoff, float resonance, float env, float drive)
{
    return {.wave = Wave::Saw, .level = level, .attack = 0.003f, .decay = 0.25f, .sustain = 0.5f, .release = 0.06f,
            .filter = FilterMode::LowPass, .cutoff = cutoff, .resonance = resonance, .filterEnv = env,
            .filterDecay = 0.12f, .drive = drive};
}

Patch crash(float level, float decay)
{
    return noiseHit(level, FilterMode::HighPass, 5000.0f, 0.1f, decay);
}

const Style kStyles[11] = {
    // Vela Orkestra: slow cinematic strings in natural minor, harp, flute, timpani.
    {.bpm = 72, .beatsPerBar = 4, .stepsPerBeat = 4, .swing = 0,
     .scale = {0, 2, 3, 5, 7, 8, 10}, .scaleSize = 7, .tonics = {50, 48, 52},
     .progressionA = "1643", .progressionB = "6475", .sevenths = false, .chordCenter = 58, .bassFloor = 36,
     .leadLow = 5, .leadHigh = 14,
     .chordRhythm = "x---------------", .bassRhythm = "1-------5-------", .arpRhythm = "0-1-2-3-4-3-2-1-",
     .arpCenter = 67,
     .leadRhythms = {"x-------x---x---x---------------", "x-----x-x-------x---x---x-------",
                     "x---x---x-------x-------x-------"},
     .kick = "x...............", .snare = "", .hat = "", .perc = "........x.......", .fill = "........x.x.xxxx",
     .drumsInIntro = false, .humanize = 0.006f,
     .chords = pad(0.16f, Wave::Saw, 9.0f, 1600.0f, 0.3f, 1.4f),
     .bass = {.wave = Wave::Saw, .level = 0.35f, .detuneCents = 6.0f, .attack = 0.12f, .decay = 0.8f, .sustain = 0.8f,
              .release = 0.6f, .filter = FilterMode::LowPass, .cutoff = 380.0f},
     .lead = flute(0.3f, 0.04f, 14.0f), .arp = pluck(0.16f, 0.55f, 1.6f),
     .kickDrum = kick(0.65f, 0.9f, 1.4f), .snareDrum = {}, .hatDrum = {},
     .percDrum = kick(0.35f, 0.6f, 1.2f), .crash = crash(0.12f, 2.5f),
     .chordSpread = 0.6f, .leadPan = 0.15f, .arpPan = -0.45f,
     .reverbSize = 0.88f, .reverbDamping = 0.35f, .reverbSend = 0.55f,
     .reverbWet = 3.5f, .echoSteps = 0, .echoFeedback = 0, .echoWet = 0,
     .grooves = {{.kick = "x.....x.x.......", .snare = nullptr, .hat = nullptr, .bass = "1---5---8---5---",
                  .chords = "x-------x-------", .arp = "0-2-4-2-1-3-5-3-"},
                 {.kick = "x.......x.......", .snare = nullptr, .hat = nullptr, .bass = "1-----5---3-----",
                  .chords = "x-----x---x-----", .arp = "0--1--2-3--2--1-"}},
     .progressions = {"1764", "4615"}, .dynamics = 1.0f, .ritardando = true},

    // Circuit Fathom: fast, bright chiptune in major with square waves and noise drums.
    {.bpm = 144, .beatsPerBar = 4, .stepsPerBeat = 4, .swing = 0,
     .scale = {0, 2, 4, 5, 7, 9, 11}, .scaleSize = 7, .tonics = {60, 62, 57},
     .progressionA = "1564", .progressionB = "4156", .sevenths = false, .chordCenter = 64, .bassFloor = 40,
     .leadLow = 7, .leadHigh = 16,
     .chordRhythm = "..x...x...x...x.", .bassRhythm = "1.8.1.8.1.8.5.8.", .arpRhythm = "0123012301230123",
     .arpCenter = 76,
     .leadRhythms = {"x.x.x-x.x---x.x.x.x.x-x.x-------", "x-x-x.xxx---x.x.x-x-x.xxx-------",
                     "x.xxx.x.x.x.x---x.xxx.x.x-------"},
     .kick = "x.......x.x.....", .snare = "....x.......x...", .hat = "x.x.x.x.x.x.x.x.", .perc = "",
     .fill = "....x...x.x.xxxx", .drumsInIntro = false, .humanize = 0.0f,
     .chords = {.wave = Wave::Square, .level = 0.08f, .pulseWidth = 0.25f, .attack = 0.002f, .decay = 0.1f,
                .sustain = 0.3f, .release = 0.03f},
     .bass = {.wave = Wave::Triangle, .level = 0.45f, .attack = 0.002f, .decay = 0.2f, .sustain = 0.8f, .release = 0.02f},
     .lead = {.wave = Wave::Square, .level = 0.16f, .pulseWidth = 0.5f, .attack = 0.002f, .decay = 0.3f,
              .sustain = 0.7f, .release = 0.04f, .vibratoCents = 18.0f, .vibratoRate = 6.5f, .vibratoDelay = 0.15f},
     .arp = {.wave = Wave::Square, .level = 0.05f, .pulseWidth = 0.125f, .attack = 0.001f, .decay = 0.06f,
             .sustain = 0.2f, .release = 0.02f},
     .kickDrum = kick(0.8f, 0.18f, 3.0f), .snareDrum = noiseHit(0.3f, FilterMode::LowPass, 7000.0f, 0.0f, 0.12f),
     .hatDrum = noiseHit(0.1f, FilterMode::HighPass, 8000.0f, 0.0f, 0.03f), .percDrum = {},
     .crash = crash(0.15f, 1.0f),
     .chordSpread = 0.7f, .leadPan = -0.15f, .arpPan = 0.6f,
     .reverbSize = 0.6f, .reverbDamping = 0.5f, .reverbSend = 0.15f,
     .reverbWet = 4.0f, .echoSteps = 3, .echoFeedback = 0.35f, .echoWet = 0.45f,
     .grooves = {{.kick = "x..x..x...x.x...", .snare = "....x.....x.x...", .hat = ".xx..xx..xx..xx.",
                  .bass = "1..1..1.5..5..8.", .chords = "x..x..x.x..x..x.", .arp = "0212021202120212",
                  .lead = "x..x..x.x..x..x.x..x..x.x-------"},
                 {.kick = "x...x...x...x...", .snare = "........x.......", .hat = ".x.x.x.x.x.x.x.x",
                  .bass = "1-..8-..1-..5-..", .chords = "x-..x-..x-..x-..", .arp = "3210321032103210",
                  .lead = "..x...x...x.x-x...x...x...x.x---"}},
     .progressions = {"1645", "6415"}, .dynamics = 0.3f, .ritardando = false},

    // Marisol Peñalver: bossa nova, nylon guitar in seventh chords, vibraphone, rim clave, shaker.
    {.bpm = 132, .beatsPerBar = 4, .stepsPerBeat = 4, .swing = 0.12f,
     .scale = {0, 2, 4, 5, 7, 9, 11}, .scaleSize = 7, .tonics = {53, 55, 50},
     .progressionA = "1625", .progressionB = "4736", .sevenths = true, .chordCenter = 60, .bassFloor = 36,
     .leadLow = 7, .leadHigh = 15,
     .chordRhythm = "x..x..x...x..x..", .bassRhythm = "1-----5-1-----5-", .arpRhythm = "", .arpCenter = 72,
     .leadRhythms = {"x---x-x-----x---x-------x-x-----", "..x-x---x-x-----x---x---x-------",
                     "x-----x---x-x---x---------x-----"},
     .kick = "x.....x.x.....x.", .snare = "", .hat = "xoxoxoxoxoxoxoxo", .perc = "x..x..x...x..x..",
     .fill = "x..x..x...x.x.x.", .drumsInIntro = true, .humanize = 0.008f,
     .chords = pluck(0.22f, 0.35f, 1.2f, 0.15f),
     .bass = subBass(0.5f, 0.45f, 0.35f),
     .lead = bell(0.22f, 4.0f, 1.2f, 1.4f), .arp = {},
     .kickDrum = kick(0.45f, 0.25f, 1.5f), .snareDrum = {},
     .hatDrum = noiseHit(0.06f, FilterMode::BandPass, 6000.0f, 0.2f, 0.05f),
     .percDrum = {.wave = Wave::Sine, .level = 0.18f, .noiseMix = 0.4f, .attack = 0.001f, .decay = 0.04f,
                  .sustain = 0.0f, .release = 0.02f, .filter = FilterMode::BandPass, .cutoff = 1800.0f,
                  .resonance = 0.5f},
     .crash = crash(0.08f, 1.2f),
     .chordSpread = 0.75f, .leadPan = 0.4f, .arpPan = 0.0f,
     .reverbSize = 0.75f, .reverbDamping = 0.4f, .reverbSend = 0.45f,
     .reverbWet = 6.0f, .echoSteps = 0, .echoFeedback = 0, .echoWet = 0,
     .grooves = {{.kick = "x..x....x..x....", .snare = nullptr, .hat = "x.xxx.xxx.xxx.xx", .bass = "1--5--..1--5--..",
                  .chords = ".x.x..x..x.x..x.", .arp = nullptr},
                 {.kick = "x.......x.......", .snare = nullptr, .hat = "x...x...x...x...", .bass = "1-------5---3---",
                  .chords = "x-----x-----x---", .arp = nullptr}},
     .progressions = {"2516", "1436"}, .dynamics = 0.4f, .ritardando = false},

    // Zéphyrine: ambient, Lydian pads, FM bells, sub bass, only a soft shaker.
    {.bpm = 64, .beatsPerBar = 4, .stepsPerBeat = 4, .swing = 0,
     .scale = {0, 2, 4, 6, 7, 9, 11}, .scaleSize = 7, .tonics = {53, 52, 55},
     .progressionA = "1215", .progressionB = "6271", .sevenths = true, .chordCenter = 60, .bassFloor = 29,
     .leadLow = 7, .leadHigh = 17,
     .chordRhythm = "x---------------", .bassRhythm = "1---------------", .arpRhythm = "0.......2.......",
     .arpCenter = 79,
     .leadRhythms = {"x.......x.......x---------------", "x-------x---x---x-------........",
                     "....x.......x---x---------------"},
     .kick = "", .snare = "", .hat = "..x...x...x...x.", .perc = "", .fill = "", .drumsInIntro = true,
     .humanize = 0.01f,
     .chords = pad(0.14f, Wave::Saw, 14.0f, 900.0f, 1.6f, 3.0f),
     .bass = {.wave = Wave::Sine, .level = 0.4f, .attack = 0.6f, .decay = 1.0f, .sustain = 0.9f, .release = 2.0f},
     .lead = bell(0.2f, 3.5f, 2.5f, 2.5f), .arp = bell(0.08f, 2.0f, 1.0f, 2.0f),
     .kickDrum = {}, .snareDrum = {}, .hatDrum = noiseHit(0.035f, FilterMode::BandPass, 7000.0f, 0.3f, 0.08f),
     .percDrum = {}, .crash = crash(0.06f, 3.0f),
     .chordSpread = 0.8f, .leadPan = -0.3f, .arpPan = 0.5f,
     .reverbSize = 0.9f, .reverbDamping = 0.3f, .reverbSend = 0.75f,
     .reverbWet = 4.0f, .echoSteps = 6, .echoFeedback = 0.45f, .echoWet = 0.4f,
     .grooves = {{.kick = nullptr, .snare = nullptr, .hat = "x.......x.......", .bass = "1-------5-------",
                  .chords = "x-------x-------", .arp = "0...2...4...2..."},
                 {.kick = nullptr, .snare = nullptr, .hat = "....x.......x.xx", .bass = "1-------------5-",
                  .chords = "x-----------x---", .arp = "0.2.....4...3..."}},
     .progressions = {"4151", "2615"}, .dynamics = 1.0f, .ritardando = true},

    // The Hollow Pines: a folk waltz in Mixolydian, guitar on two and three, squeezebox lead.
    {.bpm = 108, .beatsPerBar = 3, .stepsPerBeat = 4, .swing = 0,
     .scale = {0, 2, 4, 5, 7, 9, 10}, .scaleSize = 7, .tonics = {55, 57, 52},
     .progressionA = "1745", .progressionB = "4171", .sevenths = false, .chordCenter = 62, .bassFloor = 38,
     .leadLow = 7, .leadHigh = 15,
     .chordRhythm = "....x...x...", .bassRhythm = "1---....5...", .arpRhythm = "", .arpCenter = 72,
     .leadRhythms = {"x-----x-x-x-x-----------", "x---x---x---x-x-x-x-----", "x-----x---x-x-------x---"},
     .kick = "x...........", .snare = "....o...o...", .hat = "", .perc = "", .fill = "....o...x.x.",
     .drumsInIntro = false, .humanize = 0.01f,
     .chords = pluck(0.2f, 0.6f, 1.0f, 0.1f),
     .bass = subBass(0.5f, 0.5f, 0.4f),
     .lead = {.wave = Wave::Square, .level = 0.13f, .detuneCents = 7.0f, .pulseWidth = 0.35f, .attack = 0.04f,
              .decay = 0.3f, .sustain = 0.85f, .release = 0.1f, .filter = FilterMode::LowPass, .cutoff = 2400.0f,
              .vibratoCents = 8.0f, .vibratoRate = 5.5f, .vibratoDelay = 0.25f},
     .arp = {}, .kickDrum = kick(0.4f, 0.3f, 1.5f), .snareDrum = noiseHit(0.12f, FilterMode::BandPass, 3000.0f, 0.1f, 0.18f),
     .hatDrum = {}, .percDrum = {}, .crash = crash(0.06f, 1.5f),
     .chordSpread = 0.4f, .leadPan = -0.25f, .arpPan = 0.0f,
     .reverbSize = 0.65f, .reverbDamping = 0.5f, .reverbSend = 0.25f,
     .reverbWet = 2.5f, .echoSteps = 0, .echoFeedback = 0, .echoWet = 0,
     .grooves = {{.kick = "x...........", .snare = "..x...x...x.", .hat = nullptr, .bass = "1---3---5---",
                  .chords = "..x...x...x.", .arp = nullptr, .lead = "..x-x-x---x-..x-x-x-----"},
                 // Two against three: the bar in halves, a waltz's hemiola.
                 {.kick = "x.....x.....", .snare = "...o.....o..", .hat = nullptr, .bass = "1.....5.....",
                  .chords = "x.....x.....", .arp = nullptr, .lead = "x-----x-----x-----x-----"}},
     .progressions = {"1754", "4714"}, .dynamics = 1.0f, .ritardando = true},

    // Oskar Lindqvist: minimal techno in Phrygian, four on the floor, resonant saw bass.
    {.bpm = 124, .beatsPerBar = 4, .stepsPerBeat = 4, .swing = 0,
     .scale = {0, 1, 3, 5, 7, 8, 10}, .scaleSize = 7, .tonics = {57, 52, 54},
     .progressionA = "1121", .progressionB = "6217", .sevenths = false, .chordCenter = 62, .bassFloor = 33,
     .leadLow = 7, .leadHigh = 14,
     .chordRhythm = "..x.....x..x....", .bassRhythm = "1.18.1.81.18.1.8", .arpRhythm = "", .arpCenter = 72,
     .leadRhythms = {"x.....x.....x...x.....x.....x...", "x.....x.....x.x.x...............",
                     "....x.....x.....x.....x........."},
     .kick = "x...x...x...x...", .snare = "....x.......x...", .hat = "..x...x...x...x.", .perc = "oxooxoxooxoxoxox",
     .fill = "....x.......x.xx", .drumsInIntro = true, .humanize = 0.0f,
     .chords = {.wave = Wave::Saw, .level = 0.22f, .detuneCents = 10.0f, .detuneSpread = 1.0f, .attack = 0.002f, .decay = 0.25f,
                .sustain = 0.0f, .release = 0.05f, .filter = FilterMode::LowPass, .cutoff = 1800.0f, .resonance = 0.3f,
                .filterEnv = 1.0f, .filterDecay = 0.08f},
     .bass = sawBass(0.28f, 260.0f, 0.75f, 5.0f, 0.8f),
     .lead = bell(0.14f, 1.5f, 2.0f, 0.6f), .arp = {},
     .kickDrum = kick(0.85f, 0.35f, 3.5f, 0.5f),
     .snareDrum = noiseHit(0.3f, FilterMode::BandPass, 1400.0f, 0.35f, 0.12f),
     .hatDrum = noiseHit(0.13f, FilterMode::HighPass, 7000.0f, 0.0f, 0.12f),
     .percDrum = noiseHit(0.06f, FilterMode::HighPass, 9000.0f, 0.0f, 0.03f), .crash = crash(0.1f, 1.5f),
     .chordSpread = 0.85f, .leadPan = 0.4f, .arpPan = 0.0f,
     .reverbSize = 0.7f, .reverbDamping = 0.45f, .reverbSend = 0.5f,
     .reverbWet = 6.0f, .echoSteps = 3, .echoFeedback = 0.4f, .echoWet = 0.6f,
     .grooves = {{.kick = "x...x...x...x.x.", .snare = "........x.......", .hat = "xxx.xxx.xxx.xxx.",
                  .bass = ".1.1.1.1.1.1.1.1", .chords = "...x..x....x..x.", .arp = nullptr},
                 {.kick = "x..x..x...x.x...", .snare = "....x..x....x...", .hat = ".x.x.x.x.x.x.x.x",
                  .bass = "1..1..1.1..1..8.", .chords = "x.......x.......", .arp = nullptr}},
     .progressions = {"1211", "7121"}, .dynamics = 0.3f, .ritardando = false},

    // Brassfire Union: Dorian funk, swung sixteenths, clavinet, brass, busy bass and ghost notes.
    {.bpm = 104, .beatsPerBar = 4, .stepsPerBeat = 4, .swing = 0.14f,
     .scale = {0, 2, 3, 5, 7, 9, 10}, .scaleSize = 7, .tonics = {52, 50, 55},
     .progressionA = "1414", .progressionB = "7451", .sevenths = true, .chordCenter = 62, .bassFloor = 33,
     .leadLow = 7, .leadHigh = 14,
     .chordRhythm = ".x..x.x..x..x.x.", .bassRhythm = "1..1..8.1.5.7.8.", .arpRhythm = "", .arpCenter = 72,
     .leadRhythms = {"x.x...x-x.......x.x...x-x-x-....", "..x.x.x...x.x---x.....x.x.x-----",
                     "x-..x-..x.x.x---......x.x.x.x---"},
     .kick = "x.....x...x..x..", .snare = "....X..o.o..X..o", .hat = "xoxoxoxoxoxoxoxo", .perc = "",
     .fill = "....X..oX.XoXXXX", .drumsInIntro = true, .humanize = 0.005f,
     .chords = pluck(0.2f, 0.95f, 0.35f, 0.05f),
     .bass = sawBass(0.27f, 600.0f, 0.3f, 2.0f, 0.3f),
     .lead = {.wave = Wave::Saw, .level = 0.13f, .detuneCents = 12.0f, .attack = 0.03f, .decay = 0.2f,
              .sustain = 0.7f, .release = 0.08f, .filter = FilterMode::LowPass, .cutoff = 1200.0f,
              .resonance = 0.2f, .filterEnv = 2.5f, .filterDecay = 0.15f, .vibratoCents = 10.0f,
              .vibratoRate = 5.8f, .vibratoDelay = 0.2f},
     .arp = {}, .kickDrum = kick(0.7f, 0.25f, 2.5f),
     .snareDrum = snare(0.3f, 1800.0f, 0.12f), .hatDrum = noiseHit(0.07f, FilterMode::HighPass, 8000.0f, 0.0f, 0.04f),
     .percDrum = {}, .crash = crash(0.1f, 1.5f),
     .chordSpread = 0.65f, .leadPan = 0.35f, .arpPan = 0.0f,
     .reverbSize = 0.6f, .reverbDamping = 0.5f, .reverbSend = 0.35f,
     .reverbWet = 6.0f, .echoSteps = 0, .echoFeedback = 0, .echoWet = 0,
     .grooves = {{.kick = "x..x......x.x...", .snare = "....X.o.....X.o.", .hat = "x.x.x.x.x.x.x.x.",
                  .bass = "1.11..8..1.5..8.", .chords = "x..x..x.x..x.x..", .arp = nullptr},
                 {.kick = "x.x...x...x....x", .snare = "....X..o..o.X...", .hat = "xxoxxxoxxxoxxxox",
                  .bass = "1...1.8...5.7...", .chords = "..x...x...x...x.", .arp = nullptr}},
     .progressions = {"1474", "4147"}, .dynamics = 0.3f, .ritardando = false},

    // Halcyon Drift: synthwave in minor, pulsing eighth bass, wide pads, a big gated snare.
    {.bpm = 96, .beatsPerBar = 4, .stepsPerBeat = 4, .swing = 0,
     .scale = {0, 2, 3, 5, 7, 8, 10}, .scaleSize = 7, .tonics = {57, 55, 53},
     .progressionA = "1674", .progressionB = "6735", .sevenths = false, .chordCenter = 62, .bassFloor = 33,
     .leadLow = 7, .leadHigh = 16,
     .chordRhythm = "x---------------", .bassRhythm = "1.1.1.1.1.1.1.8.", .arpRhythm = "0.1.2.1.0.1.2.3.",
     .arpCenter = 74,
     .leadRhythms = {"x-------x---x---x-------x-------", "x---x---x---x---x---------------",
                     "x-----x-----x---x---x---x-------"},
     .kick = "x.......x.......", .snare = "....X.......X...", .hat = "x.x.x.x.x.x.x.x.", .perc = "",
     .fill = "....X.......XXXX", .drumsInIntro = false, .humanize = 0.0f,
     .chords = pad(0.13f, Wave::Saw, 16.0f, 2200.0f, 0.08f, 0.8f),
     .bass = sawBass(0.3f, 700.0f, 0.2f, 1.5f, 0.2f),
     .lead = {.wave = Wave::Saw, .level = 0.12f, .detuneCents = 8.0f, .attack = 0.02f, .decay = 0.3f, .sustain = 0.8f,
              .release = 0.3f, .filter = FilterMode::LowPass, .cutoff = 3200.0f, .resonance = 0.15f,
              .vibratoCents = 12.0f, .vibratoRate = 5.0f, .vibratoDelay = 0.25f},
     .arp = {.wave = Wave::Square, .level = 0.06f, .pulseWidth = 0.3f, .attack = 0.002f, .decay = 0.15f,
             .sustain = 0.0f, .release = 0.05f, .filter = FilterMode::LowPass, .cutoff = 3000.0f},
     .kickDrum = kick(0.8f, 0.4f, 2.5f), .snareDrum = snare(0.38f, 1600.0f, 0.25f),
     .hatDrum = noiseHit(0.07f, FilterMode::HighPass, 9000.0f, 0.0f, 0.05f), .percDrum = {},
     .crash = crash(0.12f, 2.0f),
     .chordSpread = 0.7f, .leadPan = 0.0f, .arpPan = -0.4f,
     .reverbSize = 0.85f, .reverbDamping = 0.3f, .reverbSend = 0.4f,
     .reverbWet = 2.2f, .echoSteps = 3, .echoFeedback = 0.4f, .echoWet = 0.35f,
     .grooves = {{.kick = "x..x....x..x....", .snare = "....X..x....X...", .hat = "x.xxx.xxx.xxx.xx",
                  .bass = "1.11.11.1.11.11.", .chords = "x-------x-------", .arp = "0123321001233210"},
                 {.kick = "x...x...x...x...", .snare = nullptr, .hat = ".x.x.x.x.x.x.x.x",
                  .bass = "8.1.8.1.8.1.8.1.", .chords = "x-----x-----x---", .arp = "0.2.1.3.0.2.1.3."}},
     .progressions = {"1467", "6145"}, .dynamics = 0.5f, .ritardando = false},

    // Gwenna Kerhervé: a Dorian jig in six-eight, flute over harp, drone and bodhrán.
    {.bpm = 112, .beatsPerBar = 2, .stepsPerBeat = 3, .swing = 0,
     .scale = {0, 2, 3, 5, 7, 9, 10}, .scaleSize = 7, .tonics = {62, 57, 64},
     .progressionA = "1171", .progressionB = "3741", .sevenths = false, .chordCenter = 60, .bassFloor = 38,
     .leadLow = 7, .leadHigh = 16,
     .chordRhythm = "x-----", .bassRhythm = "1-----", .arpRhythm = "012321", .arpCenter = 67,
     .leadRhythms = {"xxxx-xxxxx--", "x-xx-xxxxx--", "xxxxxxx-xx--"},
     .kick = "X..x..", .snare = "", .hat = "", .perc = "..o..o", .fill = "X.xx.x",
     .drumsInIntro = true, .humanize = 0.006f,
     .chords = pad(0.06f, Wave::Triangle, 5.0f, 1500.0f, 0.3f, 0.8f),
     .bass = {.wave = Wave::Saw, .level = 0.2f, .detuneCents = 4.0f, .attack = 0.2f, .decay = 1.0f, .sustain = 0.9f,
              .release = 0.5f, .filter = FilterMode::LowPass, .cutoff = 350.0f},
     .lead = flute(0.3f, 0.05f, 10.0f), .arp = pluck(0.18f, 0.7f, 1.2f),
     .kickDrum = kick(0.5f, 0.22f, 1.3f), .snareDrum = {}, .hatDrum = {},
     .percDrum = kick(0.25f, 0.12f, 1.2f), .crash = crash(0.05f, 1.0f),
     .chordSpread = 0.3f, .leadPan = 0.2f, .arpPan = -0.4f,
     .reverbSize = 0.7f, .reverbDamping = 0.4f, .reverbSend = 0.3f,
     .reverbWet = 2.2f, .echoSteps = 0, .echoFeedback = 0, .echoWet = 0,
     .grooves = {{.kick = "X.x...", .snare = nullptr, .hat = nullptr, .bass = "1-5-3-", .chords = "x-x-x-",
                  .arp = "0.2.4.", .lead = "x-x-x-x-xx--"},
                 {.kick = "X.x..x", .snare = nullptr, .hat = nullptr, .bass = "1..5..", .chords = "x.....",
                  .arp = ".1.2.3", .perc = ".o..o.", .lead = "x--x--x-xx--"}},
     .progressions = {"1747", "4171"}, .dynamics = 1.0f, .ritardando = true},

    // Mørkeskog: dark industrial in harmonic minor, driven bass, metallic snare, organ drone.
    {.bpm = 86, .beatsPerBar = 4, .stepsPerBeat = 4, .swing = 0,
     .scale = {0, 2, 3, 5, 7, 8, 11}, .scaleSize = 7, .tonics = {52, 50, 53},
     .progressionA = "1615", .progressionB = "4165", .sevenths = false, .chordCenter = 57, .bassFloor = 28,
     .leadLow = 5, .leadHigh = 12,
     .chordRhythm = "x-------x-------", .bassRhythm = "1..1..1.1..1.5.8", .arpRhythm = "", .arpCenter = 72,
     .leadRhythms = {"x-------x---x---x---------------", "x---x---x-------x---x---x-------",
                     "x-------x-------x-x-x---x-------"},
     .kick = "x..x..x...x.....", .snare = "....X.......X...", .hat = "x.xxx.xxx.xxx.xx", .perc = "..........x.....",
     .fill = "....X.......XXXX", .drumsInIntro = false, .humanize = 0.0f,
     .chords = {.wave = Wave::Square, .level = 0.09f, .detuneCents = 9.0f, .pulseWidth = 0.5f, .attack = 0.15f,
                .decay = 1.0f, .sustain = 0.8f, .release = 0.5f, .filter = FilterMode::LowPass, .cutoff = 900.0f},
     .bass = sawBass(0.26f, 500.0f, 0.35f, 2.0f, 2.5f),
     .lead = bell(0.18f, 1.414f, 3.0f, 1.5f), .arp = {},
     .kickDrum = kick(0.9f, 0.45f, 3.0f, 1.5f), .snareDrum = snare(0.32f, 2600.0f, 0.16f),
     .hatDrum = noiseHit(0.05f, FilterMode::HighPass, 8000.0f, 0.0f, 0.03f),
     .percDrum = bell(0.1f, 2.71f, 4.0f, 0.3f), .crash = crash(0.12f, 2.5f),
     .chordSpread = 0.5f, .leadPan = -0.3f, .arpPan = 0.0f,
     .reverbSize = 0.8f, .reverbDamping = 0.6f, .reverbSend = 0.3f,
     .reverbWet = 3.5f, .echoSteps = 4, .echoFeedback = 0.3f, .echoWet = 0.25f,
     .grooves = {{.kick = "x.x...x.x.x.....", .snare = "........X.......", .hat = "x...x...x...x...",
                  .bass = "1.1.1.1.1.1.1.1.", .chords = "x---------------", .arp = nullptr},
                 {.kick = "x...x...x...x...", .snare = "....X..X....X...", .hat = "xxxxxxxxxxxxxxxx",
                  .bass = "1...1...8...1.5.", .chords = "x-----x-----x---", .arp = nullptr}},
     .progressions = {"1565", "6141"}, .dynamics = 0.5f, .ritardando = false},

    // Paper Lanterns Quartet: a major pentatonic garden, koto, bamboo flute, taiko and wood block.
    {.bpm = 84, .beatsPerBar = 4, .stepsPerBeat = 4, .swing = 0,
     .scale = {0, 2, 4, 7, 9, 0, 0}, .scaleSize = 5, .tonics = {62, 60, 65},
     .progressionA = "1415", .progressionB = "4251", .sevenths = false, .chordCenter = 62, .bassFloor = 38,
     .leadLow = 5, .leadHigh = 11,
     .chordRhythm = "x.......x.......", .bassRhythm = "1-------5-------", .arpRhythm = "0.1.2.1.3.2.1.2.",
     .arpCenter = 72,
     .leadRhythms = {"x---x---x-------x---x-x-x-------", "x-------x-x-x---x-------x-------",
                     "x---x-x-x---x---x---x---x-------"},
     .kick = "x.......x..x....", .snare = "", .hat = "", .perc = "....x.......x...", .fill = "x.x.x.x.x.xxxxxx",
     .drumsInIntro = false, .humanize = 0.008f,
     .chords = pluck(0.18f, 0.8f, 2.0f), .bass = subBass(0.4f, 1.0f, 0.5f),
     .lead = flute(0.28f, 0.07f, 16.0f), .arp = pluck(0.1f, 0.85f, 1.5f),
     .kickDrum = kick(0.75f, 0.7f, 1.3f),
     .snareDrum = {}, .hatDrum = {},
     .percDrum = {.wave = Wave::Sine, .level = 0.14f, .attack = 0.001f, .decay = 0.06f, .sustain = 0.0f,
                  .release = 0.02f, .pitchSweep = 1.2f, .pitchDecay = 0.01f},
     .crash = crash(0.05f, 2.0f),
     .chordSpread = 0.5f, .leadPan = 0.2f, .arpPan = -0.35f,
     .reverbSize = 0.8f, .reverbDamping = 0.35f, .reverbSend = 0.4f,
     .reverbWet = 3.0f, .echoSteps = 6, .echoFeedback = 0.35f, .echoWet = 0.3f,
     .grooves = {{.kick = "x.........x.....", .snare = nullptr, .hat = nullptr, .bass = "1---5---1---5---",
                  .chords = "x..x..x.x..x..x.", .arp = "0..2..4..2..1..3", .perc = "..x...x...x...x.", .lead = "..x-..x-x-------..x-..x-x-------"},
                 {.kick = "x.....x...x.x...", .snare = nullptr, .hat = nullptr, .bass = "1-------3---5---",
                  .chords = "x-----x-----x---", .arp = ".1.2.3.2.1.2.3.2", .perc = "........x.x.x.x.", .lead = "x-----x-----x---x-----x---------"}},
     .progressions = {"1524", "2141"}, .dynamics = 0.6f, .ritardando = false},
};

} // namespace

const Style& styleOf(int artist)
{
    assert(artist >= 0 && artist < 11);
    return kStyles[artist];
}

} // namespace trackgen
