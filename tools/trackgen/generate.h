// One track of the soundtrack, from the track list's row to MP3 bytes.
#pragma once

#include "tools/trackgen/track_plan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trackgen {

struct GeneratedTrack {
    std::vector<uint8_t> mp3;
    Mp3Format format;
    double seconds = 0;      // length of the audio encoded
    float peak = 0;          // before encoding, full scale = 1
    float rms = 0;
    std::string error;       // empty on success
};

// Composes, renders, masters and encodes row `row` (0..32). With
// `shortSeconds` > 0 only that many seconds are made, ending in a fade.
GeneratedTrack generateTrack(int row, double shortSeconds);

} // namespace trackgen
