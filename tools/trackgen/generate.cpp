#include "tools/trackgen/generate.h"

#include "audio/track_list.h"
#include "tools/trackgen/composer.h"
#include "tools/trackgen/mp3_encoder.h"
#include "tools/trackgen/synth.h"

#include <algorithm>

namespace trackgen {

GeneratedTrack generateTrack(int row, double shortSeconds)
{
    GeneratedTrack result;
    if (row < 0 || row >= tracklist::kTrackCount) {
        result.error = "no such track";
        return result;
    }
    const TrackPlan plan = planFor(row);
    result.format = plan.format;
    const Score score = compose(styleOf(plan.artist), plan.variant, plan.seed, plan.targetSeconds);
    result.seconds = shortSeconds > 0 ? std::min(shortSeconds, score.seconds) : score.seconds;

    StereoBuffer audio = renderScore(score, plan.format.sampleRate, result.seconds, plan.seed);
    if (plan.format.channels == 1)
        mixToMono(audio);
    MasteringTarget target;
    target.fadeOutSeconds = std::min(target.fadeOutSeconds, result.seconds / 4.0);
    master(audio, target);
    result.peak = peakOf(audio);
    result.rms = rmsOf(audio);

    const tracklist::Track& track = tracklist::kTracks[row];
    const Mp3Tags tags{tracklist::kArtists[track.artist].name, track.title};
    encodeMp3(audio, plan.format, tags, result.mp3, result.error);
    return result;
}

} // namespace trackgen
