// The player on the real engine: a track played to its end hands over to the
// next one by itself, through the end event and the main loop's hand-off.

#include "audio/mp3_engine.h"
#include "audio/playback.h"
#include "platform/headless_audio_device.h"
#include "support/engine_harness.h"
#include "support/fake_platform.h"
#include "support/mp3_maker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

TEST(PlaybackOnRealEngine, FirstTrackAdvancesToTheSecondByItself)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "q2-playback-engine";
    std::filesystem::create_directories(folder);
    const std::string first = (folder / "first.mp3").string();
    const std::string second = (folder / "second.mp3").string();
    ASSERT_TRUE(testmp3::writeMp3(first, testmp3::tone(44100, 2, 0.4, 440, 0.5f)));
    ASSERT_TRUE(testmp3::writeMp3(second, testmp3::tone(44100, 2, 0.4, 660, 0.5f)));

    platform::HeadlessAudioDevice device;
    Mp3Engine engine(device);
    FakeClock clock;
    RecordingDesktop desktop;
    Player player;
    player.catalogue = TrackCatalogue{};
    player.catalogue.rows[0] = {0, first.c_str(), "First", "One", "https://one.example/", nullptr, 0, 0};
    player.catalogue.rows[1] = {0, second.c_str(), "Second", "Two", "https://two.example/", nullptr, 0, 0};
    player.engine = &engine;
    player.clock = &clock;
    player.desktop = &desktop;

    ASSERT_TRUE(startAudio(player));
    openTracks(player);
    ASSERT_EQ(player.state.trackCount, 2);
    playTrack(player, 0);

    // Pull the output as the device would until the first track has
    // delivered its last sample (0.4 s; the limit is 5 s of audio), then
    // give the engine's event thread time to hand the end over.
    static float buffer[1024 * 2];
    const StreamHandle firstStream = player.catalogue.rows[0].stream;
    for (int pass = 0; pass < 215 && engine.isActive(firstStream); ++pass)
        device.pull(buffer, 1024);
    EXPECT_FALSE(engine.isActive(firstStream));
    for (int wait = 0; wait < 5000 && player.endedSync.load() == 0; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    EXPECT_TRUE(takeTrackEnd(player));
    EXPECT_EQ(player.state.currentTrack, 1);
    EXPECT_TRUE(engine.isActive(player.catalogue.rows[1].stream));
    ASSERT_FALSE(desktop.titles.empty());
    EXPECT_EQ(desktop.titles.back(), "[ Second - Two ] - QUARVEN 2 soundtrack");

    stopAudio(player);
    std::filesystem::remove_all(folder);
}

// Three tracks whose files are emptied while the first plays (a stick
// pulled, a folder unmounted) and a fourth that is missing at start: the
// first ends once and hands over; every row that gives no audio then stays
// silent and never advances by itself; rows whose files come back play.
class PlaybackOnChangingFiles : public testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() / ("q2-changing-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        for (int row = 0; row < 4; ++row)
            files[row] = (folder / ("track" + std::to_string(row) + ".mp3")).string();
        for (int row = 0; row < 3; ++row)
            ASSERT_TRUE(testmp3::writeMp3(files[row], testmp3::tone(44100, 2, 0.4, 440 + 220 * row, 0.5f)));
        fence = (folder / "fence.mp3").string();
        ASSERT_TRUE(testmp3::writeMp3(fence, testmp3::silence(44100, 2, 0.05)));
        player.catalogue = TrackCatalogue{};
        for (int row = 0; row < 4; ++row)
            player.catalogue.rows[row] = {0, files[row].c_str(), "Artist", kTitles[row], "https://x.example/", nullptr,
                                          0, 0};
        player.engine = &run.engine;
        player.clock = &clock;
        player.desktop = &desktop;
        ASSERT_TRUE(startAudio(player));
        openTracks(player);
    }
    void TearDown() override
    {
        stopAudio(player);
        std::filesystem::remove_all(folder);
    }

    StreamHandle streamOf(int row) const { return player.catalogue.rows[row].stream; }

    // Plays on for `seconds` of output as the device and the main loop
    // would, then until every end event raised meanwhile has been delivered;
    // returns how many times the player advanced by itself.
    int playOn(double seconds)
    {
        int advances = 0;
        for (int pass = 0; pass < int(seconds * 44100 / 1024); ++pass) {
            run.pull(1024);
            advances += takeTrackEnd(player) ? 1 : 0;
        }
        testmp3::EndRecorder fenceEnded;
        const StreamHandle stream = run.engine.openStream(fence.c_str());
        run.engine.setEndSync(stream, &testmp3::EndRecorder::onEnd, &fenceEnded);
        run.engine.play(stream, true);
        run.pullUntilEnd(stream, 44100);
        EXPECT_TRUE(fenceEnded.waitFor(1));
        run.engine.freeStream(stream);
        advances += takeTrackEnd(player) ? 1 : 0;
        return advances;
    }

    static constexpr const char* kTitles[4] = {"Zero", "One", "Two", "Three"};
    std::filesystem::path folder;
    std::string files[4];
    std::string fence;
    testmp3::EngineUnderTest run;
    FakeClock clock;
    RecordingDesktop desktop;
    Player player;
};

TEST_F(PlaybackOnChangingFiles, RowsGivingNoAudioRestOnTheirRowUntilAControlMovesOn)
{
    ASSERT_EQ(streamOf(3), 0u);
    playTrack(player, 0);
    EXPECT_EQ(playOn(0.1), 0);
    for (int row = 0; row < 3; ++row)
        std::filesystem::resize_file(files[row], 0);

    // The playing track runs out at once: one hand-over, to an emptied row.
    EXPECT_EQ(playOn(0.5), 1);
    EXPECT_EQ(player.state.currentTrack, 1);
    EXPECT_FALSE(run.engine.isActive(streamOf(1)));
    EXPECT_EQ(playOn(2.0), 0);
    EXPECT_EQ(player.state.currentTrack, 1);

    // The next control: one more row, one title, and no advance after it.
    const size_t titles = desktop.titles.size();
    nextTrack(player);
    EXPECT_EQ(player.state.currentTrack, 2);
    EXPECT_EQ(playOn(2.0), 0);
    EXPECT_EQ(player.state.currentTrack, 2);
    EXPECT_EQ(desktop.titles.size(), titles + 1);
    EXPECT_EQ(player.state.paused, 0);

    // Files that come back play: one missing since the start, and one
    // emptied and now replaced by a file of another rate and channel count,
    // which plays to its end and hands over (to the still empty row 2).
    ASSERT_TRUE(testmp3::writeMp3(files[3], testmp3::tone(44100, 2, 0.4, 500, 0.5f)));
    playTrack(player, 3);
    EXPECT_NE(streamOf(3), 0u);
    EXPECT_TRUE(run.engine.isActive(streamOf(3)));
    ASSERT_TRUE(testmp3::writeMp3(files[1], testmp3::tone(22050, 1, 0.4, 500, 0.5f), 64));
    playTrack(player, 1);
    EXPECT_TRUE(run.engine.isActive(streamOf(1)));
    EXPECT_EQ(playOn(1.0), 1);
    EXPECT_EQ(player.state.currentTrack, 2);
    EXPECT_EQ(playOn(1.0), 0);
    EXPECT_EQ(player.state.currentTrack, 2);
}

} // namespace
