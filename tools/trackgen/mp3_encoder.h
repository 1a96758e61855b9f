// MP3 encoding of a mastered piece with libmp3lame.
#pragma once

#include "tools/trackgen/synth.h"
#include "tools/trackgen/track_plan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace trackgen {

struct Mp3Tags {
    const char* artist;    // Windows-1252 texts, written as Latin-1
    const char* title;
};

// Encodes `audio` (at format.sampleRate; the left channel alone when mono).
// Writes an Info/Xing frame so decoders know the exact length. False with
// `error` set when the encoder refuses the settings.
bool encodeMp3(const StereoBuffer& audio, const Mp3Format& format, const Mp3Tags& tags, std::vector<uint8_t>& out,
               std::string& error);

} // namespace trackgen
