// How each row of the track list is made: its length and its MP3 format.
#pragma once

#include <cstdint>

namespace trackgen {

struct Mp3Format {
    int sampleRate = 44100;
    int channels = 2;
    int kbps = 160;        // constant bit rate; ignored when vbr
    bool vbr = false;
    bool id3v2 = false;    // an ID3v2 tag with the artist and the title
};

struct TrackPlan {
    int artist;
    int variant;           // 0..2: the artist's first, second or third piece
    double targetSeconds;
    Mp3Format format;
    uint64_t seed;
};

// The plan of row `row` (0..32) of the track list.
TrackPlan planFor(int row);

} // namespace trackgen
