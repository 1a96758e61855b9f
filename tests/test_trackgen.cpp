#include "audio/track_list.h"
#include "tools/trackgen/composer.h"
#include "tools/trackgen/generate.h"
#include "tools/trackgen/style.h"
#include "tools/trackgen/synth.h"

#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstring>
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
        EXPECT_EQ(std::strlen(style.progressionA), 4u);
        EXPECT_EQ(std::strlen(style.progressionB), 4u);
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
    EXPECT_NEAR(trackgen::rmsOf(buffer), target.rms, target.rms * 0.15f);
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

} // namespace
