// The SDL output under SDL's dummy driver (real audio thread, no sound card)
// and with a driver that cannot open.
#include "audio/mp3_engine.h"
#include "platform/sdl_audio_device.h"
#include "support/engine_harness.h"
#include "support/mp3_maker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

TEST(SdlAudioDevice, InitFailsWithSdlsReasonWhenNoDriverOpens)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    platform::SdlAudioDevice device;
    Mp3Engine engine(device);
    EXPECT_FALSE(engine.init());
    std::string reason = engine.lastError();
    EXPECT_NE(reason.find("no audio"), std::string::npos) << reason;
    EXPECT_GT(reason.size(), std::string("no audio output: ").size()) << reason;
    EXPECT_FALSE(engine.start());
    EXPECT_TRUE(engine.freeAll());
}

TEST(SdlAudioDevice, PlaysToTheEndOnSdlsAudioThread)
{
    std::string file = (std::filesystem::path(testing::TempDir()) / "q2-sdl-tone.mp3").string();
    ASSERT_TRUE(testmp3::writeMp3(file, testmp3::tone(22050, 1, 0.2, 1000, 0.5f)));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::SdlAudioDevice device;
    Mp3Engine engine(device);
    ASSERT_TRUE(engine.init()) << engine.lastError();
    StreamHandle stream = engine.openStream(file.c_str());
    ASSERT_NE(stream, 0u);
    testmp3::EndRecorder ends;
    ASSERT_NE(engine.setEndSync(stream, &testmp3::EndRecorder::onEnd, &ends), 0u);
    ASSERT_TRUE(engine.play(stream, true));
    ASSERT_TRUE(engine.start());
    ASSERT_TRUE(ends.waitFor(1));
    EXPECT_FALSE(engine.isActive(stream));
    EXPECT_NE(ends.thread, std::this_thread::get_id());
    EXPECT_TRUE(engine.freeAll());
    // The device can be opened again after being freed.
    EXPECT_TRUE(engine.init()) << engine.lastError();
    EXPECT_TRUE(engine.freeAll());
    std::filesystem::remove(file);
}

} // namespace
