// Control from outside the painted buttons: the media service's requests,
// the keys and the wheel, carried out by the frame loop; the status it
// publishes and the changes the service announces.
#include "app/app.h"
#include "app/frame_loop.h"
#include "app/key_commands.h"
#include "app/remote_commands.h"
#include "app/startup.h"
#include "audio/title_text.h"

#include "app/control_colours.h"
#include "assets/assets.h"
#include "platform/headless_mpris.h"
#include "platform/headless_window.h"
#include "support/fake_platform.h"
#include "support/recording_audio_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

namespace {

using platform::Event;
using platform::EventKind;
using platform::Key;
using platform::PlaybackStatus;
using platform::RemoteCommand;
using platform::RemoteRequest;

void noSleep(uint32_t) {}

// The program started up against stand-ins, with the headless service in
// place of the bus; passes are run one by one.
struct Remote {
    RecordingAudioEngine engine;
    platform::HeadlessWindowSystem windows;
    FakeClock clock;
    std::unique_ptr<App> app = std::make_unique<App>();
    Services services{windows, engine, clock, noSleep};
    platform::HeadlessMediaService bus{app->remote};

    Remote()
    {
        windows.record.log = &engine.calls;
        clock.now = 1000;
        EXPECT_TRUE(startUp(*app, services));
        app->media = &bus;
        pass();
        bus.announced.clear();
        engine.clearCalls();
    }
    ~Remote() { shutDown(*app); }

    void pass(Event event = Event{EventKind::Other})
    {
        windows.record.script.push_back(event);
        clock.now += 16;
        runPass(*app, services);
    }
    // A bus request, taken by the next pass.
    void call(RemoteCommand command, double value = 0.0)
    {
        bus.call({command, value});
        pass();
    }
    const PlaybackState& state() const { return app->player.state; }
    bool plays(int32_t row) const { return engine.playing.count(StreamHandle(row + 1)) != 0; }
    PlaybackStatus status() const { return bus.properties.playback; }
};

Event key(Key k, bool repeat = false)
{
    Event e{EventKind::KeyDown};
    e.key = k;
    e.repeat = repeat;
    return e;
}

Event wheel(int32_t notches)
{
    Event e{EventKind::Wheel};
    e.y = notches;
    return e;
}

std::pair<int32_t, int32_t> pointOf(uint32_t colour)
{
    const CImage hitMap(assets::hitMap);
    for (int32_t y = 0; y < hitMap.height; ++y)
        for (int32_t x = 0; x < hitMap.width; ++x)
            if (hitMap.pixel(x, y) == colour)
                return {x, y};
    ADD_FAILURE() << "no such control colour";
    return {0, 0};
}

bool called(const RecordingAudioEngine& engine, const std::string& line)
{
    return std::find(engine.calls.begin(), engine.calls.end(), line) != engine.calls.end();
}

std::string utf8(const char* text)
{
    char out[600];
    windows1252ToUtf8(text, out, sizeof out);
    return out;
}

TEST(RemoteCommands, BusMethodsActAsTheButtonsDo)
{
    Remote r;
    EXPECT_EQ(r.status(), PlaybackStatus::Playing);

    r.call(RemoteCommand::Pause);
    EXPECT_EQ(r.state().paused, 1);
    EXPECT_FALSE(r.plays(0));
    EXPECT_EQ(r.status(), PlaybackStatus::Paused);
    r.engine.clearCalls();
    r.call(RemoteCommand::Pause);
    EXPECT_FALSE(called(r.engine, "stop 1")) << "Pause while paused does nothing";

    r.call(RemoteCommand::Play);
    EXPECT_TRUE(called(r.engine, "play 1 resume")) << "Play resumes where the pause left the track";
    EXPECT_EQ(r.status(), PlaybackStatus::Playing);
    r.engine.clearCalls();
    r.call(RemoteCommand::Play);
    EXPECT_FALSE(called(r.engine, "play 1 restart")) << "Play while playing does nothing";

    r.call(RemoteCommand::PlayPause);
    EXPECT_EQ(r.status(), PlaybackStatus::Paused);
    r.call(RemoteCommand::PlayPause);
    EXPECT_EQ(r.status(), PlaybackStatus::Playing);

    r.call(RemoteCommand::Stop);
    EXPECT_EQ(r.status(), PlaybackStatus::Stopped);
    r.engine.clearCalls();
    r.call(RemoteCommand::PlayPause);
    EXPECT_TRUE(called(r.engine, "play 1 restart")) << "PlayPause when stopped plays from the beginning";
    EXPECT_EQ(r.status(), PlaybackStatus::Playing);

    r.call(RemoteCommand::Stop);
    r.call(RemoteCommand::PauseButton);
    EXPECT_EQ(r.status(), PlaybackStatus::Paused) << "the pause button's toggle pauses a stopped track too";
    r.call(RemoteCommand::PauseButton);
    EXPECT_TRUE(called(r.engine, "play 1 resume"));

    r.call(RemoteCommand::Next);
    EXPECT_EQ(r.state().currentTrack, 1);
    EXPECT_TRUE(r.plays(1));
    r.call(RemoteCommand::Previous);
    r.call(RemoteCommand::Previous);
    EXPECT_EQ(r.state().currentTrack, 32) << "previous from the first track wraps to the last";
    const TrackEntry& last = r.app->player.catalogue.rows[32];
    EXPECT_EQ(r.bus.properties.trackRow, 32);
    EXPECT_EQ(r.bus.properties.title, utf8(last.title));
    EXPECT_EQ(r.bus.properties.artist, utf8(last.artist));
    EXPECT_EQ(r.bus.properties.url, std::string(last.link));

    r.call(RemoteCommand::Raise);
    EXPECT_TRUE(called(r.engine, "raise"));
    EXPECT_EQ(r.app->input.quitRequested, 0);
    r.call(RemoteCommand::Quit);
    EXPECT_EQ(r.app->input.quitRequested, 1);
}

// Every change is announced in the pass that made it, whoever made it, and
// an idle pass announces nothing.
TEST(RemoteCommands, ChangesAreAnnouncedInTheirPassWhoeverMadeThem)
{
    using namespace platform;
    Remote r;
    r.pass();
    r.pass();
    EXPECT_TRUE(r.bus.announced.empty());

    const auto [nextX, nextY] = pointOf(control::kNext);
    r.pass({EventKind::MouseMove, nextX, nextY});
    EXPECT_TRUE(r.bus.announced.empty()) << "hovering changes nothing the desktop sees";
    r.pass({EventKind::LeftPress, nextX, nextY});
    ASSERT_EQ(r.bus.announced.size(), 1u) << "the painted next button";
    EXPECT_EQ(r.bus.announced[0], uint32_t(kChangedMetadata));
    EXPECT_EQ(r.bus.properties.trackRow, 1);
    r.pass({EventKind::LeftRelease, nextX, nextY});

    r.engine.fireEnd(2);
    r.pass();
    ASSERT_EQ(r.bus.announced.size(), 2u) << "the end of the track";
    EXPECT_EQ(r.bus.announced[1], uint32_t(kChangedMetadata));
    EXPECT_EQ(r.bus.properties.trackRow, 2);

    r.pass(key(Key::Space));
    ASSERT_EQ(r.bus.announced.size(), 3u);
    EXPECT_EQ(r.bus.announced[2], uint32_t(kChangedPlayback));
    r.pass(key(Key::S));
    ASSERT_EQ(r.bus.announced.size(), 4u);
    EXPECT_EQ(r.bus.announced[3], uint32_t(kChangedShuffle));
    EXPECT_TRUE(r.bus.properties.shuffle);
    r.pass(wheel(1));
    EXPECT_EQ(r.bus.announced.size(), 4u) << "the volume is at the top already";
    r.pass(wheel(-1));
    ASSERT_EQ(r.bus.announced.size(), 5u);
    EXPECT_EQ(r.bus.announced[4], uint32_t(kChangedVolume));
    r.call(RemoteCommand::Next);
    ASSERT_EQ(r.bus.announced.size(), 6u) << "the bus's own next";
    EXPECT_EQ(r.bus.announced[5], uint32_t(kChangedPlayback | kChangedMetadata)) << "next ends the pause";
}

TEST(RemoteCommands, ShuffleAndVolumeRoundTripThroughTheControls)
{
    Remote r;
    r.call(RemoteCommand::SetShuffle, 1.0);
    EXPECT_EQ(r.state().shuffle, 1);
    EXPECT_TRUE(r.bus.properties.shuffle);
    r.call(RemoteCommand::SetShuffle, 1.0);
    EXPECT_EQ(r.state().shuffle, 1) << "setting what is set toggles nothing";
    r.call(RemoteCommand::SetShuffle, 0.0);
    EXPECT_EQ(r.state().shuffle, 0);
    EXPECT_FALSE(r.bus.properties.shuffle);

    r.call(RemoteCommand::SetVolume, 0.5);
    EXPECT_EQ(r.app->volume, 0.5f) << "the knob's value";
    EXPECT_EQ(r.engine.volume, 5000u) << "through the slider's mapping to the audio level";
    EXPECT_EQ(r.bus.properties.volume, 0.5);
    r.call(RemoteCommand::SetVolume, 7.0);
    EXPECT_EQ(r.app->volume, 1.0f);
    EXPECT_EQ(r.engine.volume, 10000u);
    r.call(RemoteCommand::SetVolume, -1e300);
    EXPECT_EQ(r.app->volume, 0.0f);
    EXPECT_EQ(r.engine.volume, 0u);
    r.call(RemoteCommand::SetVolume, std::nan(""));
    EXPECT_EQ(r.app->volume, 0.0f) << "not a number changes nothing";

    // The knob is drawn from the same value: a frame at 0.5 has it half way.
    r.call(RemoteCommand::SetVolume, 0.5);
    const std::vector<uint32_t> halfWay = r.windows.record.lastFrame;
    r.call(RemoteCommand::SetVolume, 0.0);
    EXPECT_NE(r.windows.record.lastFrame, halfWay);
    r.call(RemoteCommand::SetVolume, 0.5);
    EXPECT_EQ(r.windows.record.lastFrame.size(), halfWay.size());
    EXPECT_TRUE(std::equal(halfWay.begin(), halfWay.begin() + kWindowWidth * 150, r.windows.record.lastFrame.begin()))
        << "the skin above the view, knob included, is the same at the same volume";
}

TEST(KeyCommands, KeysAndTheWheelMapToTheButtons)
{
    RemoteRequest out;
    const auto maps = [&](const Event& e, RemoteCommand command, double value = 0.0) {
        return requestForEvent(e, out) && out.command == command && out.value == value;
    };
    EXPECT_TRUE(maps(key(Key::Space), RemoteCommand::PauseButton));
    EXPECT_TRUE(maps(key(Key::S), RemoteCommand::ShuffleButton));
    EXPECT_TRUE(maps(key(Key::Left), RemoteCommand::Previous));
    EXPECT_TRUE(maps(key(Key::Right), RemoteCommand::Next));
    EXPECT_TRUE(maps(key(Key::Up), RemoteCommand::VolumeSteps, 1.0));
    EXPECT_TRUE(maps(key(Key::Down), RemoteCommand::VolumeSteps, -1.0));
    EXPECT_TRUE(maps(key(Key::MediaPlayPause), RemoteCommand::PlayPause));
    EXPECT_TRUE(maps(key(Key::MediaStop), RemoteCommand::Stop));
    EXPECT_TRUE(maps(key(Key::MediaNext), RemoteCommand::Next));
    EXPECT_TRUE(maps(key(Key::MediaPrevious), RemoteCommand::Previous));
    EXPECT_TRUE(maps(wheel(-2), RemoteCommand::VolumeSteps, -2.0));
    EXPECT_TRUE(maps(key(Key::Down, true), RemoteCommand::VolumeSteps, -1.0)) << "a held arrow repeats";
    EXPECT_FALSE(requestForEvent(key(Key::Space, true), out)) << "a held Space pauses once";
    EXPECT_FALSE(requestForEvent(key(Key::S, true), out));
    EXPECT_FALSE(requestForEvent(key(Key::MediaPlayPause, true), out));
    EXPECT_FALSE(requestForEvent(key(Key::Escape), out)) << "Escape stays the window's own";
    EXPECT_FALSE(requestForEvent(key(Key::Other), out));
    EXPECT_FALSE(requestForEvent(wheel(0), out));
    EXPECT_FALSE(requestForEvent(Event{EventKind::MouseMove, 3, 4}, out));
}

TEST(KeyCommands, KeysActThroughTheFrameLoop)
{
    Remote r;
    r.pass(key(Key::Space));
    EXPECT_EQ(r.state().paused, 1);
    r.pass(key(Key::Space, true));
    EXPECT_EQ(r.state().paused, 1) << "a repeat does not resume";
    r.pass(key(Key::Space));
    EXPECT_EQ(r.state().paused, 0);
    r.pass(key(Key::Right));
    r.pass(key(Key::Right, true));
    EXPECT_EQ(r.state().currentTrack, 2);
    r.pass(key(Key::Left));
    EXPECT_EQ(r.state().currentTrack, 1);
    r.pass(key(Key::S));
    EXPECT_EQ(r.state().shuffle, 1);

    EXPECT_EQ(r.app->volume, 1.0f);
    r.pass(key(Key::Up));
    EXPECT_EQ(r.app->volume, 1.0f) << "held at the top";
    r.pass(key(Key::Down));
    EXPECT_EQ(r.app->volume, 0.95f);
    EXPECT_EQ(r.engine.volume, 9499u) << "0.95 as a float is a little under";
    for (int i = 0; i < 25; ++i)
        r.pass(wheel(-1));
    EXPECT_EQ(r.app->volume, 0.0f) << "held at the bottom";
    r.pass(wheel(2));
    EXPECT_FLOAT_EQ(r.app->volume, 0.1f);
    r.pass(key(Key::Escape));
    EXPECT_EQ(r.app->input.quitRequested, 1);
}

// The bus's thread hands requests over while the main loop runs, and reads
// whole statuses while the main loop publishes new ones.
TEST(RemoteCommands, HandOversBetweenThreadsAreWhole)
{
    Remote r;
    // Only the service's thread reads the status, as in the real service.
    struct CountingService : platform::MediaService {
        int changes = 0;
        void statusChanged() override { ++changes; }
    } counting;
    r.app->media = &counting;
    // Many times what the ring holds, sent as fast as the thread can: none
    // may be lost, and they act in order.
    constexpr int kRequests = 1000;
    std::atomic<bool> sent{false};
    std::atomic<bool> done{false};
    std::atomic<int> tornReads{0};
    std::atomic<int> refused{0};
    std::thread bus([&] {
        for (int i = 0; i < kRequests; ++i)
            refused.fetch_add(r.bus.call({RemoteCommand::Next}) ? 0 : 1);
        sent.store(true);
        // What the service's getters do: read the latest status, and find
        // its texts belonging to its row.
        const TrackCatalogue catalogue = makeTrackCatalogue();
        while (!done.load()) {
            const platform::MediaStatus& s = r.app->remote.status();
            if (s.trackRow >= 0 && utf8(catalogue.rows[s.trackRow].title) != s.title)
                tornReads.fetch_add(1);
        }
    });
    const int32_t trackBefore = r.state().currentTrack;
    while (!sent.load())
        r.pass();
    r.pass(); // what came after the last pass
    done.store(true);
    bus.join();
    EXPECT_EQ(refused.load(), 0);
    EXPECT_EQ(r.state().currentTrack, (trackBefore + kRequests) % 33);
    EXPECT_EQ(r.state().playHistoryCount, kPlayHistorySize);
    for (int k = 1; k < kPlayHistorySize; ++k)
        ASSERT_EQ(r.state().playHistory[k], (r.state().playHistory[k - 1] + 1) % 33) << k;
    EXPECT_EQ(tornReads.load(), 0);
    EXPECT_GE(counting.changes, 1);
}

// What a client writes it reads back at once, though the main loop carries
// it out later; once carried out, the player's own changes show again.
// Requests that come after the loop ended are refused, not left waiting.
TEST(RemoteCommands, AWrittenPropertyReadsBackAtOnceAndLateRequestsAreRefused)
{
    Remote r;
    RemoteControl& remote = r.app->remote;
    EXPECT_TRUE(r.bus.call({RemoteCommand::SetVolume, 0.2}));
    EXPECT_TRUE(r.bus.call({RemoteCommand::SetShuffle, 1.0}));
    EXPECT_EQ(remote.status().volume, double(0.2f)) << "before any pass took it";
    EXPECT_TRUE(remote.status().shuffle);
    EXPECT_TRUE(r.bus.call({RemoteCommand::SetVolume, 7.0}));
    EXPECT_EQ(remote.status().volume, 1.0) << "held to the slider's range, as the player will";
    r.pass();
    EXPECT_EQ(r.app->volume, 1.0f);
    EXPECT_EQ(remote.status().volume, 1.0);
    r.pass(key(Key::Down));
    EXPECT_EQ(remote.status().volume, double(0.95f)) << "the written value does not stick once carried out";
    r.pass(key(Key::S));
    EXPECT_FALSE(remote.status().shuffle);

    remote.close();
    EXPECT_FALSE(r.bus.call({RemoteCommand::Next}));
}

TEST(RemoteCommands, WithoutAServiceThePlayerRunsAsBefore)
{
    RecordingAudioEngine engine;
    platform::HeadlessWindowSystem windows;
    FakeClock clock;
    auto app = std::make_unique<App>();
    Services services{windows, engine, clock, noSleep};
    services.openMedia = [](platform::MediaRemote&, std::string& error) -> std::unique_ptr<platform::MediaService> {
        error = "no session bus";
        return nullptr;
    };
    windows.record.script.assign(3, Event{EventKind::Other});
    testing::internal::CaptureStderr();
    EXPECT_EQ(runPlayer(*app, services), 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_NE(err.find("no session bus"), std::string::npos) << err;
    EXPECT_EQ(windows.record.presentCount, 4) << "three idle passes and the one that saw the window go";
    EXPECT_TRUE(called(engine, "play 1 restart"));
}

TEST(MediaStatus, PositionMovesOnOnlyWhilePlaying)
{
    platform::MediaStatus s;
    s.playback = PlaybackStatus::Playing;
    s.positionMicroseconds = 2'000'000;
    s.lengthMicroseconds = 3'000'000;
    s.publishedAtMilliseconds = 0xFFFFFF00u;
    EXPECT_EQ(platform::positionAt(s, 0xFFFFFF00u + 500), 2'500'000);
    EXPECT_EQ(platform::positionAt(s, 0x00000100u), 2'512'000) << "across the clock's wrap";
    EXPECT_EQ(platform::positionAt(s, 0x00100000u), 3'000'000) << "held at the track's length";
    s.playback = PlaybackStatus::Paused;
    EXPECT_EQ(platform::positionAt(s, 0x00000100u), 2'000'000);
}

} // namespace
