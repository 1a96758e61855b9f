#include "audio/track_list.h"
#include "tools/trackgen/composer.h"
#include "tools/trackgen/generate.h"
#include "tools/trackgen/style.h"
#include "tools/trackgen/synth.h"
#include "tools/trackgen/track_measures.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr double kShortSeconds = 2.0;
constexpr float kMinusOneDb = 0.891f;

struct Decoded {
    long rate = 0;
    int channels = 0;
    bool vbr = false;
    std::string artist, title;   // from an ID3v2 tag
    std::vector<short> samples;  // interleaved
    std::string error;
};

std::string fromId3(const mpg123_string* text) { return text && text->p ? std::string(text->p) : std::string(); }

// Decodes MP3 bytes from memory with libmpg123, as the player's engine does
// with its files.
Decoded decode(const std::vector<uint8_t>& mp3)
{
    Decoded out;
    mpg123_init();
    int err = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &err);
    if (!handle) {
        out.error = "mpg123_new failed";
        return out;
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(handle);
    for (long rate : {22050L, 44100L, 48000L})
        mpg123_format(handle, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(handle);
    mpg123_feed(handle, mp3.data(), mp3.size());
    unsigned char buffer[16384];
    for (;;) {
        size_t done = 0;
        const int result = mpg123_read(handle, buffer, sizeof buffer, &done);
        const short* pcm = reinterpret_cast<const short*>(buffer);
        out.samples.insert(out.samples.end(), pcm, pcm + done / sizeof(short));
        if (result == MPG123_NEW_FORMAT) {
            int encoding = 0;
            mpg123_getformat(handle, &out.rate, &out.channels, &encoding);
            mpg123_frameinfo info{};
            mpg123_info(handle, &info);
            out.vbr = info.vbr != MPG123_CBR;
            mpg123_id3v1* v1 = nullptr;
            mpg123_id3v2* v2 = nullptr;
            if (mpg123_id3(handle, &v1, &v2) == MPG123_OK && v2) {
                out.artist = fromId3(v2->artist);
                out.title = fromId3(v2->title);
            }
        } else if (result == MPG123_NEED_MORE || result == MPG123_DONE) {
            break;
        } else if (result != MPG123_OK) {
            out.error = mpg123_strerror(handle);
            break;
        }
    }
    mpg123_delete(handle);
    return out;
}

float peakOf(const std::vector<short>& samples)
{
    int peak = 0;
    for (short s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    return static_cast<float>(peak) / 32768.0f;
}

TEST(TrackGenerator, MakesTheSameBytesEveryTime)
{
    const trackgen::GeneratedTrack first = trackgen::generateTrack(1, kShortSeconds);
    const trackgen::GeneratedTrack second = trackgen::generateTrack(1, kShortSeconds);
    ASSERT_TRUE(first.error.empty()) << first.error;
    ASSERT_GT(first.mp3.size(), 1000u);
    EXPECT_TRUE(first.mp3 == second.mp3);
}

TEST(TrackGenerator, FilesDecodeToTheirLengthAndFormatBelowFullScale)
{
    // An ordinary file and the four made different on purpose.
    for (int row : {0, 3, 12, 17, 24}) {
        SCOPED_TRACE(tracklist::kTracks[row].fileName);
        const trackgen::GeneratedTrack track = trackgen::generateTrack(row, kShortSeconds);
        ASSERT_TRUE(track.error.empty()) << track.error;
        const Decoded decoded = decode(track.mp3);
        ASSERT_TRUE(decoded.error.empty()) << decoded.error;
        EXPECT_EQ(decoded.rate, track.format.sampleRate);
        EXPECT_EQ(decoded.channels, track.format.channels);
        EXPECT_EQ(decoded.vbr, track.format.vbr);
        ASSERT_GT(decoded.channels, 0);
        const double seconds = static_cast<double>(decoded.samples.size()) / decoded.channels / decoded.rate;
        // The Info frame lets the decoder drop the encoder's padding exactly.
        EXPECT_NEAR(seconds, kShortSeconds, 0.001);
        EXPECT_LT(peakOf(decoded.samples), kMinusOneDb);
        EXPECT_GT(peakOf(decoded.samples), 0.01f) << "not silent";
    }
}

TEST(TrackGenerator, TagsOnlyTheOneFileWithArtistAndTitle)
{
    const Decoded tagged = decode(trackgen::generateTrack(24, 0.5).mp3);
    const tracklist::Track& track = tracklist::kTracks[24];
    EXPECT_EQ(tagged.title, "Mar de Vidrio");
    // libmpg123 hands the Latin-1 tag over as UTF-8.
    EXPECT_EQ(tagged.artist, "Marisol Pe\xC3\xB1" "alver");
    EXPECT_STREQ(track.title, "Mar de Vidrio");

    const Decoded plain = decode(trackgen::generateTrack(0, 0.5).mp3);
    EXPECT_TRUE(plain.artist.empty());
    EXPECT_TRUE(plain.title.empty());
}

TEST(TrackGenerator, EveryPieceLastsBetween30And90Seconds)
{
    for (int row = 0; row < tracklist::kTrackCount; ++row) {
        SCOPED_TRACE(tracklist::kTracks[row].fileName);
        const trackgen::TrackPlan plan = trackgen::planFor(row);
        const trackgen::Score score =
            trackgen::compose(trackgen::styleOf(plan.artist), plan.variant, plan.seed, plan.targetSeconds);
        EXPECT_GE(score.seconds, 30.0);
        EXPECT_LE(score.seconds, 90.0);
        EXPECT_GT(score.notes.size(), 50u);
        for (const trackgen::Note& note : score.notes) {
            ASSERT_GE(note.start, 0.0);
            ASSERT_LT(note.start, score.seconds - 1.0) << "every note starts before the ending's tail";
        }
    }
}

TEST(TrackGenerator, StylePatternsFillWholeBars)
{
    for (int artist = 0; artist < tracklist::kArtistCount; ++artist) {
        SCOPED_TRACE(tracklist::kArtists[artist].name);
        const trackgen::Style& style = trackgen::styleOf(artist);
        const size_t bar = static_cast<size_t>(style.beatsPerBar * style.stepsPerBeat);
        for (const char* pattern : {style.chordRhythm, style.bassRhythm, style.arpRhythm, style.kick, style.snare,
                                    style.hat, style.perc, style.fill}) {
            const size_t length = std::strlen(pattern);
            EXPECT_TRUE(length == 0 || length == bar) << pattern;
        }
        for (const char* rhythm : style.leadRhythms)
            EXPECT_EQ(std::strlen(rhythm), 2 * bar) << rhythm;
        for (const trackgen::Groove& groove : style.grooves) {
            for (const char* pattern : {groove.kick, groove.snare, groove.hat, groove.bass, groove.chords, groove.arp,
                                        groove.perc})
                EXPECT_TRUE(pattern == nullptr || std::strlen(pattern) == bar) << pattern;
            EXPECT_TRUE(groove.lead == nullptr || std::strlen(groove.lead) == 2 * bar) << groove.lead;
        }
        EXPECT_EQ(std::strlen(style.progressionA), 4u);
        EXPECT_EQ(std::strlen(style.progressionB), 4u);
        for (const char* progression : style.progressions)
            EXPECT_EQ(std::strlen(progression), 4u);
    }
}

// Frequency of a signal from the lag of its strongest autocorrelation
// between 100 and 400 Hz, refined between samples by a parabola.
double frequencyOf(const std::vector<float>& samples, size_t from, size_t to, int sampleRate)
{
    auto correlation = [&](size_t lag) {
        double sum = 0.0;
        for (size_t i = from; i + lag < to; ++i)
            sum += static_cast<double>(samples[i]) * samples[i + lag];
        return sum / static_cast<double>(to - from - lag);
    };
    const size_t shortest = static_cast<size_t>(sampleRate / 400), longest = static_cast<size_t>(sampleRate / 100);
    size_t best = shortest;
    for (size_t lag = shortest; lag <= longest; ++lag)
        if (correlation(lag) > correlation(best))
            best = lag;
    const double before = correlation(best - 1), at = correlation(best), after = correlation(best + 1);
    const double shift = 0.5 * (before - after) / (before - 2.0 * at + after);
    return sampleRate / (static_cast<double>(best) + shift);
}

trackgen::StereoBuffer silence(double seconds, int rate = 44100)
{
    trackgen::StereoBuffer buffer;
    buffer.sampleRate = rate;
    buffer.left.assign(static_cast<size_t>(seconds * rate), 0.0f);
    buffer.right = buffer.left;
    return buffer;
}

TEST(Voices, PlayInTuneWhateverTheirWave)
{
    trackgen::Patch sine;
    trackgen::Patch saw;
    saw.wave = trackgen::Wave::Saw;
    saw.filter = trackgen::FilterMode::LowPass;
    saw.cutoff = 600.0f;                 // leaves the fundamental to count
    trackgen::Patch string;
    string.wave = trackgen::Wave::Pluck;
    string.pluckBrightness = 0.1f;
    string.decay = 3.0f;
    for (const trackgen::Patch& patch : {sine, saw, string}) {
        for (int rate : {22050, 48000}) {
            trackgen::StereoBuffer buffer = silence(1.0, rate);
            trackgen::Sends sends = trackgen::sendsFor(buffer, false);
            trackgen::renderNote(patch, {0.0, 0.9, 57.0f, 1.0f, 0.0f, 0.0f, 0}, 7, buffer, sends); // A3, 220 Hz
            const double hz = frequencyOf(buffer.left, rate / 10, rate / 2, rate);
            EXPECT_NEAR(1200.0 * std::log2(hz / 220.0), 0.0, 8.0) << "cents off at " << rate << " Hz, wave "
                                                                  << static_cast<int>(patch.wave);
        }
    }
}

TEST(Voices, PanHardLeftAndStopAfterTheirRelease)
{
    trackgen::Patch patch;
    patch.release = 0.1f;
    trackgen::StereoBuffer buffer = silence(1.0);
    trackgen::Sends sends = trackgen::sendsFor(buffer, false);
    trackgen::renderNote(patch, {0.1, 0.2, 69.0f, 1.0f, -1.0f, 0.5f, 0}, 1, buffer, sends);
    float right = 0.0f, afterRelease = 0.0f, left = 0.0f;
    for (size_t i = 0; i < buffer.frames(); ++i) {
        right = std::max(right, std::fabs(buffer.right[i]));
        left = std::max(left, std::fabs(buffer.left[i]));
        if (i > static_cast<size_t>(0.6 * 44100))
            afterRelease = std::max(afterRelease, std::fabs(buffer.left[i]));
    }
    EXPECT_GT(left, 0.5f);
    EXPECT_LT(right, 1e-6f);
    EXPECT_LT(afterRelease, 1e-4f);
    EXPECT_GT(*std::max_element(sends.reverb.left.begin(), sends.reverb.left.end()), 0.1f) << "the reverb hears the note";
    EXPECT_LT(*std::max_element(sends.reverb.right.begin(), sends.reverb.right.end()), 1e-6f) << "from the left";
}

TEST(Reverb, RingsOnAndDiesAway)
{
    trackgen::StereoBuffer buffer = silence(4.0);
    trackgen::StereoBuffer send = silence(4.0);
    send.left[0] = send.right[0] = 1.0f;
    trackgen::addReverb(send, 0.88f, 0.3f, 1.0f, buffer);
    auto energy = [&](double from, double to) {
        double sum = 0.0;
        for (size_t i = static_cast<size_t>(from * 44100); i < static_cast<size_t>(to * 44100); ++i)
            sum += buffer.left[i] * buffer.left[i] + buffer.right[i] * buffer.right[i];
        return sum;
    };
    EXPECT_GT(energy(0.0, 0.5), 0.0);
    EXPECT_LT(energy(3.0, 4.0), energy(0.0, 0.5) * 0.01) << "the tail decays instead of growing";
}

TEST(Composer, KeepsToTheScaleAndEndsOnTheTonic)
{
    for (int row = 0; row < tracklist::kTrackCount; ++row) {
        SCOPED_TRACE(tracklist::kTracks[row].fileName);
        const trackgen::TrackPlan plan = trackgen::planFor(row);
        const trackgen::Style& style = trackgen::styleOf(plan.artist);
        const trackgen::Score score = trackgen::compose(style, plan.variant, plan.seed, plan.targetSeconds);
        const int tonic = style.tonics[plan.variant];
        auto inScale = [&](float pitch) {
            const int fromTonic = ((static_cast<int>(pitch) - tonic) % 12 + 12) % 12;
            return std::find(style.scale, style.scale + style.scaleSize, fromTonic) != style.scale + style.scaleSize;
        };
        double lastChord = -1.0;
        for (const trackgen::Note& note : score.notes) {
            if (note.patch <= 3) { // chords, bass, lead and arpeggio: the tuned parts
                ASSERT_TRUE(inScale(note.pitch)) << "pitch " << note.pitch << " at " << note.start << " s";
                ASSERT_GE(note.pitch, 24.0f);
                ASSERT_LE(note.pitch, 96.0f);
            }
            if (note.patch == 0)
                lastChord = std::max(lastChord, note.start);
        }
        bool tonicInLastChord = false;
        for (const trackgen::Note& note : score.notes)
            if (note.patch == 0 && note.start > lastChord - 0.1)
                tonicInLastChord |= (static_cast<int>(note.pitch) - tonic) % 12 == 0;
        EXPECT_TRUE(tonicInLastChord);
    }
}

TEST(Mastering, ReachesTheLoudnessAndKeepsPeaksUnderTheCeiling)
{
    trackgen::StereoBuffer buffer;
    buffer.sampleRate = 8000;
    for (int i = 0; i < 80000; ++i) {
        const float tone = 0.05f * std::sin(static_cast<float>(i) * 0.05f);
        const float spike = (i % 8000 == 4000) ? 0.9f : 0.0f; // sharp drum-like peaks
        buffer.left.push_back(tone + spike);
        buffer.right.push_back(tone - spike);
    }
    trackgen::MasteringTarget target;
    trackgen::master(buffer, target);
    EXPECT_LE(trackgen::peakOf(buffer), target.ceiling);
    EXPECT_NEAR(trackgen::loudnessOf(buffer, false), target.loudness, 0.5);
    EXPECT_EQ(buffer.left.front(), 0.0f) << "fades in from silence";
    EXPECT_EQ(buffer.left.back(), 0.0f) << "fades out to silence";
}

TEST(Mastering, LeavesSilenceSilent)
{
    trackgen::StereoBuffer buffer;
    buffer.left.assign(1000, 0.0f);
    buffer.right.assign(1000, 0.0f);
    trackgen::master(buffer, {});
    EXPECT_EQ(trackgen::peakOf(buffer), 0.0f);
}

// The 33 files the build composed, decoded as the player decodes them and
// measured as a mastering engineer would: one loudness for all, peaks with
// room to spare, no DC or rumble, real stereo, and no artist playing the
// same arrangement twice.
TEST(BuiltTracks, MeetTheLoudnessPeakStereoAndVarietyTargets)
{
    const std::filesystem::path folder = TRACKS_DIR;
    if (!std::filesystem::exists(folder / tracklist::kTracks[0].fileName))
        GTEST_SKIP() << "no tracks in " << folder << " (sanitized builds do not compose them)";
    std::vector<trackgen::TrackMeasures> measures(tracklist::kTrackCount);
    std::vector<double> sideToMid;
    for (int row = 0; row < tracklist::kTrackCount; ++row) {
        SCOPED_TRACE(tracklist::kTracks[row].fileName);
        const trackgen::DecodedAudio audio = trackgen::decodeMp3File(folder / tracklist::kTracks[row].fileName);
        ASSERT_TRUE(audio.error.empty()) << audio.error;
        const trackgen::TrackPlan plan = trackgen::planFor(row);
        ASSERT_EQ(audio.channels, plan.format.channels);
        const trackgen::Score score =
            trackgen::compose(trackgen::styleOf(plan.artist), plan.variant, plan.seed, plan.targetSeconds);
        const trackgen::TrackMeasures& m = measures[row] = trackgen::measureTrack(audio, score.barSeconds);
        EXPECT_NEAR(m.loudness, -16.0, 0.5) << "LUFS";
        EXPECT_LE(m.truePeak, -1.0) << "dBTP";
        EXPECT_LT(m.dc, 0.001);
        EXPECT_LT(m.subsonicShare, 0.01) << "of the energy below 20 Hz";
        if (audio.channels == 2) {
            EXPECT_LE(m.correlation, 0.95) << "left and right nearly the same";
            sideToMid.push_back(m.sideToMid);
        }
    }
    std::sort(sideToMid.begin(), sideToMid.end());
    EXPECT_GE(sideToMid[sideToMid.size() / 2], -12.0) << "median side to mid, dB";

    for (int artist = 0; artist < tracklist::kArtistCount; ++artist) {
        SCOPED_TRACE(tracklist::kArtists[artist].name);
        std::vector<int> rows;
        for (int row = 0; row < tracklist::kTrackCount; ++row)
            if (tracklist::kTracks[row].artist == artist)
                rows.push_back(row);
        double sum = 0.0;
        int pairs = 0;
        for (size_t i = 0; i < rows.size(); ++i)
            for (size_t j = i + 1; j < rows.size(); ++j, ++pairs) {
                const double c = trackgen::patternCorrelation(measures[rows[i]].onsetPattern,
                                                              measures[rows[j]].onsetPattern);
                EXPECT_LT(c, 0.95) << "tracks " << rows[i] + 1 << " and " << rows[j] + 1 << " share one rhythm";
                sum += c;
            }
        ASSERT_GT(pairs, 0);
        EXPECT_LE(sum / pairs, 0.8) << "the artist's pieces are one arrangement";
    }
}

} // namespace
