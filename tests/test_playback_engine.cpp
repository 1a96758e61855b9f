// The player on the real engine: a track played to its end hands over to the
// next one by itself, through the end event and the main loop's hand-off.

#include "audio/mp3_engine.h"
#include "audio/playback.h"
#include "platform/headless_audio_device.h"
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

} // namespace
