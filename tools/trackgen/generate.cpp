#include "tools/trackgen/generate.h"

#include "audio/track_list.h"
#include "tools/trackgen/composer.h"
#include "tools/trackgen/mp3_decode.h"
#include "tools/trackgen/mp3_encoder.h"
#include "tools/trackgen/synth.h"
#include "tools/trackgen/track_measures.h"

#include <algorithm>
#include <cmath>

namespace trackgen {
namespace {

// How far from the target the decoded file may be before it is made again.
constexpr double kLoudnessTolerance = 0.1;

// What the encoder's cut-off takes from the loudness, measured over the 33
// tracks (it barely depends on the piece): mastered this much louder, most
// files land on the target the first time and are encoded once.
double expectedEncoderLoss(const Mp3Format& format)
{
    if (format.vbr)
        return 0.04;
    return format.kbps >= 192 ? 0.27 : 0.45;
}

} // namespace

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

    StereoBuffer mix = renderScore(score, plan.format.sampleRate, result.seconds, plan.seed);
    if (plan.format.channels == 1)
        mixToMono(mix);
    MasteringTarget target;
    target.mono = plan.format.channels == 1;
    // The fade takes the last notes' release and the room's tail with it.
    target.fadeOutSeconds = std::min(2.5, result.seconds / 4.0);
    const tracklist::Track& track = tracklist::kTracks[row];
    const Mp3Tags tags{tracklist::kArtists[track.artist].name, track.title};

    // The encoder drops what lies above its cut-off and changes the
    // loudness a little, by how much depends on the piece: measure the
    // decoded file, and master once more with the difference if it is off.
    const double wanted = target.loudness;
    target.loudness += expectedEncoderLoss(plan.format);
    for (int attempt = 0; attempt < 2; ++attempt) {
        StereoBuffer audio = mix;
        master(audio, target);
        result.peak = peakOf(audio);
        result.rms = rmsOf(audio);
        if (!encodeMp3(audio, plan.format, tags, result.mp3, result.error))
            return result;
        const double heard = loudnessOf(decodeMp3(result.mp3));
        if (!std::isfinite(heard) || std::fabs(heard - wanted) < kLoudnessTolerance)
            break;
        target.loudness += wanted - heard;
    }
    return result;
}

} // namespace trackgen
