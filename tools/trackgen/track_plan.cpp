#include "tools/trackgen/track_plan.h"

#include "audio/track_list.h"

namespace trackgen {

TrackPlan planFor(int row)
{
    // Lengths vary on purpose, from a short jingle to a long overture.
    static const double targetSeconds[tracklist::kTrackCount] = {
        70, 32, 58, 75, 52, 64, 48, 60, 45, 66, 72, 86, 40, 80, 55, 62, 68,
        58, 50, 70, 44, 76, 38, 84, 54, 60, 56, 46, 64, 42, 72, 66, 78,
    };
    TrackPlan plan{};
    plan.artist = tracklist::kTracks[row].artist;
    plan.variant = 0;
    for (int earlier = 0; earlier < row; ++earlier)
        if (tracklist::kTracks[earlier].artist == plan.artist)
            ++plan.variant;
    plan.targetSeconds = targetSeconds[row];
    plan.seed = 0x51A7C0DEull + static_cast<uint64_t>(row) * 7919u;

    static const int bitRates[3] = {128, 160, 192};
    plan.format.kbps = bitRates[row % 3];
    // A few files differ as real collections do: the player must cope.
    switch (row) {
    case 3:
        plan.format.sampleRate = 22050;
        plan.format.channels = 1;
        plan.format.kbps = 64;
        break;
    case 12:
        plan.format.sampleRate = 48000;
        break;
    case 17:
        plan.format.vbr = true;
        break;
    case 24:
        plan.format.id3v2 = true;
        break;
    default:
        break;
    }
    return plan;
}

} // namespace trackgen
