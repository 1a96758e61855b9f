#include "audio/playback.h"
#include "audio/title_text.h"

#include "support/fake_platform.h"
#include "support/recording_audio_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

class PlaybackTest : public testing::Test {
protected:
    RecordingAudioEngine engine;
    FakeClock clock;
    RecordingDesktop desktop;
    Player player;

    void SetUp() override
    {
        player.engine = &engine;
        player.clock = &clock;
        player.desktop = &desktop;
        clock.now = 1000;
    }

    // Start-up as the program does it, up to the first track.
    void startUp(int32_t rows = 33)
    {
        for (int32_t n = rows; n < kCatalogueRows; ++n)
            player.catalogue.rows[n] = TrackEntry{};
        ASSERT_TRUE(startAudio(player));
        openTracks(player);
        playTrack(player, 0);
        engine.clearCalls();
    }

    // Streams are numbered in opening order, so row i has stream i + 1.
    static std::string stream(int32_t row) { return std::to_string(row + 1); }
    const PlaybackState& state() const { return player.state; }
};

// --- Start-up and shutdown -------------------------------------------------

TEST_F(PlaybackTest, StartUpOpensEveryRowAndPlaysRowZeroFromIdle)
{
    ASSERT_TRUE(startAudio(player));
    openTracks(player);
    EXPECT_EQ(state().trackCount, 33);
    EXPECT_EQ(engine.calls.size(), 34u); // init and one open per row
    EXPECT_EQ(engine.calls[33], std::string("open ") + player.catalogue.rows[32].fileName);
    EXPECT_GT(player.catalogue.rows[0].infoColumns, 0);
    EXPECT_EQ(state().currentTrack, -1);

    engine.clearCalls();
    playTrack(player, 0);
    // Output started, nothing stopped, no event removed.
    EXPECT_EQ(engine.calls, (Calls{"start", "play 1 restart", "setSync 1"}));
    EXPECT_EQ(state().currentTrack, 0);
    EXPECT_EQ(state().trackStartTick, 1000u);
    EXPECT_EQ(state().endSync, 100u);
    EXPECT_EQ(state().playHistoryCount, 1);
}

TEST_F(PlaybackTest, StartAudioReportsAFailingDevice)
{
    engine.initSucceeds = false;
    EXPECT_FALSE(startAudio(player));
}

TEST_F(PlaybackTest, StopAudioStopsAndFreesEveryRowBetweenOutputAndDevice)
{
    startUp(3);
    stopAudio(player);
    EXPECT_EQ(engine.calls,
              (Calls{"stopOutput", "stop 1", "free 1", "stop 2", "free 2", "stop 3", "free 3", "freeAll"}));
    EXPECT_EQ(player.catalogue.rows[0].stream, 0u);
}

TEST_F(PlaybackTest, ControlsBeforeAnyTrackDoNothing)
{
    nextTrack(player); // no rows opened: nothing to choose from
    previousTrack(player);
    togglePause(player);
    stopTrack(player);
    EXPECT_TRUE(engine.calls.empty());
    EXPECT_EQ(state().currentTrack, -1);
}

// --- Playing(i) ------------------------------------------------------------

TEST_F(PlaybackTest, ChangingTrackStopsTheOldStreamAndMovesTheEndEvent)
{
    startUp();
    clock.now = 2000;
    playTrack(player, 5);
    EXPECT_EQ(engine.calls, (Calls{"stop 1", "play 6 restart", "removeSync 1 100", "setSync 6"}));
    EXPECT_EQ(state().trackStartTick, 2000u);
    EXPECT_EQ(state().endSync, 101u);
}

TEST_F(PlaybackTest, NextAndPreviousWrapAroundTheList)
{
    startUp();
    previousTrack(player);
    EXPECT_EQ(state().currentTrack, 32);
    nextTrack(player);
    EXPECT_EQ(state().currentTrack, 0);
    nextTrack(player);
    EXPECT_EQ(state().currentTrack, 1);
    previousTrack(player);
    EXPECT_EQ(state().currentTrack, 0);
}

TEST_F(PlaybackTest, PlayHistoryKeepsTheLast64OldestFirst)
{
    startUp();
    for (int k = 1; k < 70; ++k)
        playTrack(player, k % 33);
    ASSERT_EQ(state().playHistoryCount, 64);
    for (int k = 0; k < 64; ++k)
        EXPECT_EQ(state().playHistory[k], (k + 6) % 33) << k;
}

// --- Paused(i) and Stopped(i) ----------------------------------------------

TEST_F(PlaybackTest, PauseTwiceResumesInPlaceWithoutANewStartTick)
{
    startUp();
    togglePause(player);
    EXPECT_EQ(engine.calls, (Calls{"stop 1"}));
    EXPECT_EQ(state().paused, 1);
    EXPECT_EQ(state().playHistoryCount, 1);

    engine.clearCalls();
    clock.now = 5000;
    togglePause(player);
    EXPECT_EQ(engine.calls, (Calls{"stop 1", "start", "play 1 resume", "removeSync 1 100", "setSync 1"}));
    EXPECT_EQ(state().paused, 0);
    EXPECT_EQ(state().currentTrack, 0);
    EXPECT_EQ(state().trackStartTick, 1000u);
    EXPECT_EQ(state().playHistoryCount, 2);
}

TEST_F(PlaybackTest, StopThenPlayRestartsWithANewStartTick)
{
    startUp();
    stopTrack(player);
    EXPECT_EQ(state().paused, 0);
    clock.now = 3000;
    playTrack(player, 0);
    EXPECT_EQ(engine.calls, (Calls{"stop 1", "stop 1", "play 1 restart", "removeSync 1 100", "setSync 1"}));
    EXPECT_EQ(state().trackStartTick, 3000u);
}

TEST_F(PlaybackTest, StopPausePauseResumesFromTheStopPosition)
{
    startUp();
    stopTrack(player);
    togglePause(player);
    EXPECT_EQ(state().paused, 1);
    stopTrack(player); // stays paused
    EXPECT_EQ(state().paused, 1);
    engine.clearCalls();
    clock.now = 4000;
    togglePause(player);
    ASSERT_GE(engine.calls.size(), 3u);
    EXPECT_EQ(engine.calls[2], "play 1 resume");
    EXPECT_EQ(state().trackStartTick, 1000u);
}

TEST_F(PlaybackTest, NextFromPausedPlaysTheFollowingRowFromItsStart)
{
    startUp();
    playTrack(player, 3);
    togglePause(player);
    engine.clearCalls();
    clock.now = 6000;
    nextTrack(player);
    EXPECT_EQ(engine.calls, (Calls{"stop 4", "start", "play 5 restart", "removeSync 4 101", "setSync 5"}));
    EXPECT_EQ(state().currentTrack, 4);
    EXPECT_EQ(state().paused, 0);
    EXPECT_EQ(state().trackStartTick, 6000u);
}

// --- Shuffle -----------------------------------------------------------------

TEST_F(PlaybackTest, ShuffleAvoidsTheLastTenRows)
{
    startUp();
    toggleShuffle(player);
    for (int round = 0; round < 300; ++round) {
        for (int row = 0; row < 10; ++row)
            playTrack(player, row);
        nextTrack(player);
        ASSERT_GE(state().currentTrack, 10) << "round " << round;
    }
}

TEST_F(PlaybackTest, ShuffleAfterOnlyRowZeroNeverDrawsRowZero)
{
    for (int round = 0; round < 300; ++round) {
        Player fresh;
        fresh.engine = &engine;
        fresh.clock = &clock;
        fresh.controlDraws.state = static_cast<uint32_t>(round);
        openTracks(fresh);
        playTrack(fresh, 0);
        toggleShuffle(fresh);
        nextTrack(fresh);
        ASSERT_NE(fresh.state.currentTrack, 0) << "round " << round;
    }
}

TEST_F(PlaybackTest, ShuffledPreviousIsTheSameDrawAsNext)
{
    startUp();
    toggleShuffle(player);
    Player twin;
    twin.engine = &engine;
    openTracks(twin);
    playTrack(twin, 0);
    toggleShuffle(twin);
    for (int k = 0; k < 20; ++k) {
        nextTrack(player);
        previousTrack(twin);
        ASSERT_EQ(state().currentTrack, twin.state.currentTrack) << k;
    }
}

TEST_F(PlaybackTest, DrawsRepeatInEveryRun)
{
    RandomDraws draws;
    const int32_t expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int32_t value : expected)
        EXPECT_EQ(draws.next(), value);

    startUp();
    toggleShuffle(player);
    std::vector<int32_t> rows;
    for (int k = 0; k < 8; ++k) {
        nextTrack(player);
        rows.push_back(state().currentTrack);
    }
    // None of the first draws hits a recent row, so each is taken as it comes.
    EXPECT_EQ(rows[0], 41 % 33);
    EXPECT_EQ(rows[1], 18467 % 33);
    EXPECT_EQ(rows[2], 6334 % 33);
    EXPECT_EQ(player.endDraws.state, 1u); // the controls never touch the end sequence
}

TEST_F(PlaybackTest, ShuffleTerminatesWithTenRowsOrFewer)
{
    startUp(10);
    toggleShuffle(player);
    for (int k = 0; k < 70; ++k)
        nextTrack(player);
    ASSERT_EQ(state().playHistoryCount, 64);
    // With ten rows the draw avoids the nine most recent: each row once per cycle.
    for (int k = 9; k < 64; ++k)
        for (int j = k - 9; j < k; ++j)
            ASSERT_NE(state().playHistory[k], state().playHistory[j]);

    Player single;
    single.engine = &engine;
    for (int n = 1; n < kCatalogueRows; ++n)
        single.catalogue.rows[n] = TrackEntry{};
    openTracks(single);
    playTrack(single, 0);
    toggleShuffle(single);
    nextTrack(single);
    EXPECT_EQ(single.state.currentTrack, 0);
    EXPECT_EQ(single.state.playHistoryCount, 2);
}

// --- Missing files, volume, texts ------------------------------------------

TEST_F(PlaybackTest, MissingFilePlaysSilentlyAndNeverAdvances)
{
    engine.missingFiles.insert(player.catalogue.rows[2].fileName);
    startUp();
    EXPECT_EQ(player.catalogue.rows[2].stream, 0u);
    EXPECT_EQ(state().trackCount, 33);
    playTrack(player, 1);
    playTrack(player, 2);
    EXPECT_EQ(state().currentTrack, 2);
    EXPECT_EQ(state().endSync, 0u);
    EXPECT_FALSE(engine.isActive(player.catalogue.rows[2].stream));
    engine.fireEnd(2); // whatever the engine still reports, it is not the current stream
    EXPECT_FALSE(takeTrackEnd(player));
    EXPECT_EQ(state().currentTrack, 2);

    engine.clearCalls();
    nextTrack(player); // no event to remove on a row without a stream
    EXPECT_EQ(engine.calls, (Calls{"stop 0", "play 3 restart", "setSync 3"}));
}

TEST_F(PlaybackTest, VolumeScalesToTheEngineRange)
{
    setVolume(player, 0.5f);
    setVolume(player, 0.0f);
    setVolume(player, 0.99999f);
    setVolume(player, 2.0f);
    setVolume(player, -0.5f);
    EXPECT_EQ(engine.calls, (Calls{"volume 5000", "volume 0", "volume 9999", "volume 10000", "volume 0"}));
}

TEST_F(PlaybackTest, ScrollerKeeps8BitTextAndTitleIsUtf8)
{
    player.catalogue.rows[4].artist = "Zo\xEB Mu\xF1oz";
    player.catalogue.rows[4].title = "Caf\xE9 \x80 \x96";
    startUp();
    playTrack(player, 4);
    EXPECT_STREQ(state().scrollerText, "Zo\xEB Mu\xF1oz - Caf\xE9 \x80 \x96");
    ASSERT_EQ(desktop.titles.size(), 2u);
    EXPECT_EQ(desktop.titles[1], "[ Zo\u00EB Mu\u00F1oz - Caf\u00E9 \u20AC \u2013 ] - QUARVEN 2 soundtrack");
}

TEST_F(PlaybackTest, ScrollerTextIsCutTo199Bytes)
{
    const std::string longTitle(300, 'x');
    player.catalogue.rows[0].title = longTitle.c_str();
    startUp();
    EXPECT_EQ(std::string(state().scrollerText).size(), 199u);
    EXPECT_EQ(desktop.titles[0], "[ " + std::string(state().scrollerText) + " ] - QUARVEN 2 soundtrack");
}

TEST(TitleText, ConvertsWithoutSplittingACharacter)
{
    char out[6];
    EXPECT_EQ(windows1252ToUtf8("a\xE9\x80", out, sizeof out), 3u); // the euro sign needs 3 more bytes
    EXPECT_STREQ(out, "a\u00E9");
    char wide[8];
    EXPECT_EQ(windows1252ToUtf8("\x81\xFF", wide, sizeof wide), 4u);
    EXPECT_STREQ(wide, "\u0081\u00FF");
}

// --- The end of a track ----------------------------------------------------

TEST_F(PlaybackTest, EndEventFromTheEngineThreadAdvancesExactlyOnce)
{
    startUp();
    std::thread engineThread([this] { engine.fireEnd(1); });
    // The main loop polls once a frame; here it polls until the event arrives.
    while (!takeTrackEnd(player))
        std::this_thread::yield();
    engineThread.join();
    EXPECT_EQ(state().currentTrack, 1);
    EXPECT_FALSE(takeTrackEnd(player));
    EXPECT_EQ(state().currentTrack, 1);
    EXPECT_EQ(state().playHistoryCount, 2);
}

TEST_F(PlaybackTest, StaleEndEventIsIgnored)
{
    startUp();
    playTrack(player, 1);
    std::thread engineThread([this] { engine.fireEnd(1); }); // row 0's stream, no longer current
    engineThread.join();
    EXPECT_FALSE(takeTrackEnd(player));
    EXPECT_EQ(state().currentTrack, 1);
}

TEST_F(PlaybackTest, EndWaitingWhenTheTrackIsRestartedIsDropped)
{
    startUp();
    engine.fireEnd(1);
    playTrack(player, 0); // the play control restarts row 0 before the loop saw the end
    EXPECT_FALSE(takeTrackEnd(player));
    EXPECT_EQ(state().currentTrack, 0);
}

TEST_F(PlaybackTest, LateEndOfAnEarlierPlayCannotAdvanceTheRestartedTrack)
{
    startUp();
    const SyncHandle firstPlay = state().endSync;
    playTrack(player, 0); // restarted: the same stream, a new event
    ASSERT_NE(state().endSync, firstPlay);
    engine.fireEvent(firstPlay, player.catalogue.rows[0].stream); // taken before the restart, delivered after
    EXPECT_FALSE(takeTrackEnd(player));
    EXPECT_EQ(state().currentTrack, 0);
    engine.fireEnd(player.catalogue.rows[0].stream);
    EXPECT_TRUE(takeTrackEnd(player));
    EXPECT_EQ(state().currentTrack, 1);
}

TEST_F(PlaybackTest, ShuffledEndAdvanceDrawsFromItsOwnSequence)
{
    startUp();
    toggleShuffle(player);
    engine.fireEnd(1);
    ASSERT_TRUE(takeTrackEnd(player));
    EXPECT_EQ(state().currentTrack, 41 % 33);
    EXPECT_EQ(player.controlDraws.state, 1u);
    nextTrack(player); // the controls' first draw is the same first value
    EXPECT_EQ(state().currentTrack, 18467 % 33); // 41 % 33 was just played
}

} // namespace
