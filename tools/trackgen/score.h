// A composed piece: notes with their time, pitch, instrument and place in
// the stereo field, ready for the synthesizer.
#pragma once

#include "tools/trackgen/patch.h"

#include <vector>

namespace trackgen {

struct Note {
    double start;      // seconds from the beginning
    double length;     // seconds until release
    float pitch;       // MIDI note number (fractional allowed)
    float velocity;    // 0..1
    float pan;         // -1 left .. 1 right
    float reverbSend;  // 0..1
    int patch;         // index into Score::patches
};

struct Score {
    std::vector<Patch> patches;
    std::vector<Note> notes;
    double seconds = 0;    // the full length, the ending's tail included
    double barSeconds = 0; // the length of one bar at the piece's tempo
    float reverbSize = 0.8f;
    float reverbDamping = 0.3f;
    float reverbWet = 1.0f;      // the reverb's level against the dry mix (1 = the plain send)
    // A ping-pong echo: left, then right, then left again, softer each time.
    double delaySeconds = 0.0;   // 0: no echo
    float delayFeedback = 0.0f;
    float delayWet = 0.0f;
};

} // namespace trackgen
