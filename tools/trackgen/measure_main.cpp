// Measures a folder of the soundtrack's 33 MP3 files as a mastering
// engineer and an arranger would, one line per track and a summary.
//
// usage: trackmeasure DIR

#include "audio/track_list.h"
#include "tools/trackgen/composer.h"
#include "tools/trackgen/style.h"
#include "tools/trackgen/track_measures.h"
#include "tools/trackgen/track_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

double spectralDistance(const trackgen::TrackMeasures& a, const trackgen::TrackMeasures& b)
{
    double sum = 0.0;
    for (size_t i = 0; i < a.octaveBands.size() && i < b.octaveBands.size(); ++i)
        sum += (a.octaveBands[i] - b.octaveBands[i]) * (a.octaveBands[i] - b.octaveBands[i]);
    return std::sqrt(sum);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
        return 2;
    }
    const int count = tracklist::kTrackCount;
    std::vector<trackgen::TrackMeasures> all(count);
    std::printf("%-44s %7s %5s %7s %6s %6s %7s %5s\n", "track", "LUFS", "LRA", "dBTP", "DC mFS", "<20Hz%", "S/M dB",
                "corr");
    for (int row = 0; row < count; ++row) {
        const std::string name = tracklist::kTracks[row].fileName;
        const trackgen::DecodedAudio audio = trackgen::decodeMp3File(std::string(argv[1]) + "/" + name);
        if (!audio.error.empty()) {
            std::fprintf(stderr, "trackmeasure: %s: %s\n", name.c_str(), audio.error.c_str());
            return 1;
        }
        const trackgen::TrackPlan plan = trackgen::planFor(row);
        const trackgen::Score score =
            trackgen::compose(trackgen::styleOf(plan.artist), plan.variant, plan.seed, plan.targetSeconds);
        all[row] = trackgen::measureTrack(audio, score.barSeconds);
        const trackgen::TrackMeasures& m = all[row];
        std::printf("%-44.44s %7.2f %5.1f %7.2f %6.2f %6.2f %7.1f %5.2f\n", name.c_str(), m.loudness, m.loudnessRange,
                    m.truePeak, 1000.0 * m.dc, 100.0 * m.subsonicShare, m.sideToMid, m.correlation);
        std::fflush(stdout);
    }

    std::vector<double> sideToMid, correlation, loudness;
    double maxPeak = -200, maxDc = 0, maxSub = 0, maxCorr = 0;
    int nearestSameArtist = 0, abrupt = 0;
    for (int row = 0; row < count; ++row) {
        const trackgen::TrackMeasures& m = all[row];
        if (trackgen::planFor(row).format.channels == 2) {
            sideToMid.push_back(m.sideToMid);
            correlation.push_back(m.correlation);
            maxCorr = std::max(maxCorr, m.correlation);
        }
        loudness.push_back(m.loudness);
        abrupt += m.abruptEnding;
        maxPeak = std::max(maxPeak, m.truePeak);
        maxDc = std::max(maxDc, m.dc);
        maxSub = std::max(maxSub, m.subsonicShare);
        int nearest = -1;
        for (int other = 0; other < count; ++other)
            if (other != row && (nearest < 0 || spectralDistance(m, all[other]) < spectralDistance(m, all[nearest])))
                nearest = other;
        nearestSameArtist += tracklist::kTracks[nearest].artist == tracklist::kTracks[row].artist;
    }
    std::printf("\nloudness %.2f .. %.2f LUFS, true peak max %.2f dBTP, |DC| max %.2f mFS, below 20 Hz max %.2f %%\n",
                *std::min_element(loudness.begin(), loudness.end()), *std::max_element(loudness.begin(), loudness.end()),
                maxPeak, 1000.0 * maxDc, 100.0 * maxSub);
    std::printf("stereo tracks: side/mid median %.1f dB, correlation median %.3f, max %.3f\n", median(sideToMid),
                median(correlation), maxCorr);
    std::printf("endings that stop dead (-30 to -60 dBFS within 80 ms): %d\n", abrupt);
    std::printf("nearest track by spectrum is the same artist's: %d of %d\n\n", nearestSameArtist, count);

    std::printf("%-26s %13s %10s\n", "artist", "onset corr", "LRA LU");
    double sumCorr = 0;
    for (int artist = 0; artist < tracklist::kArtistCount; ++artist) {
        std::vector<int> rows;
        for (int row = 0; row < count; ++row)
            if (tracklist::kTracks[row].artist == artist)
                rows.push_back(row);
        double corr = 0;
        int pairs = 0;
        std::vector<double> ranges;
        std::string each;
        for (size_t i = 0; i < rows.size(); ++i) {
            ranges.push_back(all[rows[i]].loudnessRange);
            for (size_t j = i + 1; j < rows.size(); ++j, ++pairs) {
                const double c = trackgen::patternCorrelation(all[rows[i]].onsetPattern, all[rows[j]].onsetPattern);
                corr += c;
                char text[32];
                std::snprintf(text, sizeof text, " %d/%d %.2f", rows[i] + 1, rows[j] + 1, c);
                each += text;
            }
        }
        corr = pairs ? corr / pairs : 0;
        sumCorr += corr;
        std::printf("%-26s %13.2f %10.1f  (%s)\n", tracklist::kArtists[artist].name, corr, median(ranges),
                    each.c_str() + 1);
    }
    std::printf("%-26s %13.2f\n", "mean", sumCorr / tracklist::kArtistCount);
    return 0;
}
