// Decodes an MP3 file or buffer to float samples with libmpg123, the
// decoder the player uses: what is measured is what a listener hears.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trackgen {

struct DecodedAudio {
    long rate = 0;
    int channels = 0;
    std::vector<float> samples;   // interleaved, full scale = 1
    std::string error;            // empty on success
};

DecodedAudio decodeMp3(const std::vector<uint8_t>& bytes);
DecodedAudio decodeMp3File(const std::string& path);

} // namespace trackgen
