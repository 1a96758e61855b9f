// What makes each artist sound like themselves: tempo, metre, mode,
// instruments, rhythms and space. One style per artist of the track list.
#pragma once

#include "tools/trackgen/patch.h"

namespace trackgen {

// Pattern strings hold one character per step of a bar (two bars for the
// lead rhythms). Drums: 'X' accent, 'x' hit, 'o' ghost, '.' nothing.
// Bass: '1' '3' '5' '7' chord tones, '8' root an octave up, '-' hold, '.' rest.
// Arpeggio: '0'..'5' chord tones from the bottom, '-' hold, '.' rest.
// Chords and lead: 'x' strike, '-' hold, '.' rest. An empty pattern is silent.
// Another feel of the same artist: the rhythms a piece may play instead of
// the style's first ones. A null pattern keeps the style's own.
struct Groove {
    const char* kick = nullptr;
    const char* snare = nullptr;
    const char* hat = nullptr;
    const char* bass = nullptr;
    const char* chords = nullptr;
    const char* arp = nullptr;
    const char* perc = nullptr;
    const char* lead = nullptr;   // two bars, for the first melody
};

struct Style {
    float bpm;
    int beatsPerBar;
    int stepsPerBeat;
    float swing;              // how late the off-steps come, in steps
    int scale[7];             // semitones above the tonic
    int scaleSize;
    int tonics[3];            // MIDI tonic of the artist's first, second and third piece
    const char* progressionA; // scale degrees 1..7, one per bar, four bars
    const char* progressionB;
    bool sevenths;
    int chordCenter;          // MIDI note the chord voicing gathers around
    int bassFloor;            // lowest MIDI note of the bass
    int leadLow, leadHigh;    // the lead's range in scale steps above the tonic
    const char* chordRhythm;
    const char* bassRhythm;
    const char* arpRhythm;
    int arpCenter;
    const char* leadRhythms[3];
    const char* kick;
    const char* snare;
    const char* hat;
    const char* perc;
    const char* fill;         // the snare (or perc) in the last bar of a section
    bool drumsInIntro;
    float humanize;           // seconds of timing wander; 0 for machine-tight styles
    Patch chords, bass, lead, arp, kickDrum, snareDrum, hatDrum, percDrum, crash;
    float chordSpread;        // pan spread of the chord voices
    float leadPan, arpPan;
    float reverbSize, reverbDamping, reverbSend;
    float reverbWet;          // the room's level against the dry sound: 1 the plain send
    // A ping-pong echo on the parts whose patch sends to it; 0 steps: none.
    int echoSteps;
    float echoFeedback, echoWet;
    // Each piece draws its own feel and chords from these pools as well.
    Groove grooves[2];
    const char* progressions[2];
    float dynamics;           // 0: every section as loud; 1: quiet verses, a big lift at the end
    bool ritardando;          // the ending slows down and rings out
};

// The style of artist `artist` (0..10 in the track list's order).
const Style& styleOf(int artist);

} // namespace trackgen
