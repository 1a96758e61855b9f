#include "app/app.h"

#include "assets/assets.h"
#include "platform/headless_rest.h"
#include "platform/headless_window.h"
#include "support/fake_platform.h"
#include "support/recording_audio_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

using platform::Event;
using platform::EventKind;

int sleeps = 0;
void countSleep(uint32_t ms)
{
    EXPECT_EQ(ms, 2u);
    ++sleeps;
}

// A recording engine that lets a test look at the program's state at the
// moment a call arrives.
class ObservingEngine : public RecordingAudioEngine {
public:
    std::function<void()> onInit, onFirstPlay, onFreeAll;
    bool init() override
    {
        if (onInit)
            onInit();
        return RecordingAudioEngine::init();
    }
    bool play(StreamHandle s, bool restart) override
    {
        if (onFirstPlay && !played)
            onFirstPlay();
        played = true;
        return RecordingAudioEngine::play(s, restart);
    }
    bool freeAll() override
    {
        if (onFreeAll)
            onFreeAll();
        return RecordingAudioEngine::freeAll();
    }

private:
    bool played = false;
};

struct Harness {
    ObservingEngine engine;
    platform::HeadlessWindowSystem windows;
    FakeClock clock;
    std::unique_ptr<App> app = std::make_unique<App>();
    Services services{windows, engine, clock, countSleep};
    platform::HeadlessRecord& record = windows.record;

    Harness()
    {
        record.log = &engine.calls; // one combined order of window and audio calls
        sleeps = 0;
    }
    int run() { return runPlayer(*app, services); }
    void script(std::initializer_list<Event> events) { record.script.assign(events.begin(), events.end()); }
    // Index of the first log line starting with `prefix`, or -1.
    int indexOf(const std::string& prefix) const
    {
        const auto& log = engine.calls;
        auto it = std::find_if(log.begin(), log.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; });
        return it == log.end() ? -1 : int(it - log.begin());
    }
    int lastIndexOf(const std::string& line) const
    {
        const auto& log = engine.calls;
        auto it = std::find(log.rbegin(), log.rend(), line);
        return it == log.rend() ? -1 : int(log.rend() - it) - 1;
    }
};

Event escape()
{
    Event e{EventKind::KeyDown};
    e.key = platform::Key::Escape;
    return e;
}

// Where the close glyph lies in the embedded hit map.
std::pair<int32_t, int32_t> closeGlyph()
{
    const CImage hitMap(assets::hitMap);
    for (int32_t y = 0; y < hitMap.height; ++y)
        for (int32_t x = 0; x < hitMap.width; ++x)
            if (hitMap.pixel(x, y) == 0xFFFFFFFFu)
                return {x, y};
    ADD_FAILURE() << "no close glyph in the hit map";
    return {0, 0};
}

TEST(FrameLoop, HandlesOneQueuedEventPerPass)
{
    Harness h;
    h.script({{EventKind::MouseMove, 10, 11}, {EventKind::MouseMove, 20, 21}, {EventKind::MouseMove, 30, 31}, escape()});
    std::vector<uint32_t> seenX;
    h.record.onPresent = [&](const uint32_t*) { seenX.push_back(h.app->input.mouseX); };
    EXPECT_EQ(h.run(), 0);
    EXPECT_EQ(seenX, (std::vector<uint32_t>{10, 20, 30, 30}));
    EXPECT_EQ(h.record.presentCount, 4);
    EXPECT_EQ(sleeps, 4);
}

TEST(FrameLoop, PassesWithoutEventsStillPresent)
{
    Harness h;
    h.script({Event{EventKind::Other}, Event{EventKind::Other}, escape()});
    EXPECT_EQ(h.run(), 0);
    EXPECT_EQ(h.record.presentCount, 3);
}

TEST(FrameLoop, AClickOnCloseEndsTheLoopAfterThatFrameIsPresented)
{
    Harness h;
    const auto [x, y] = closeGlyph();
    h.script({{EventKind::LeftPress, x, y}, {EventKind::LeftRelease, x, y}, {EventKind::MouseMove, 1, 1}});
    int32_t quitAtPresent = -1;
    h.record.onPresent = [&](const uint32_t*) { quitAtPresent = h.app->input.quitRequested; };
    EXPECT_EQ(h.run(), 0);
    EXPECT_EQ(h.record.presentCount, 1);
    EXPECT_EQ(quitAtPresent, 1);
    EXPECT_EQ(h.record.script.size(), 2u); // the later events were never taken
    // The press outside the slider starts a drag from the press point.
    EXPECT_EQ(h.record.mover.log, (std::vector<std::string>{"begin"}));
    EXPECT_TRUE(dragging(h.app->drag));
    EXPECT_EQ(h.app->drag.grabX, x);
    EXPECT_EQ(h.app->drag.grabY, y);
    EXPECT_LT(h.indexOf("present"), h.indexOf("destroy"));
}

TEST(FrameLoop, ThePresentedFrameShowsTheSkinOutsideTheView)
{
    Harness h;
    h.script({escape()});
    EXPECT_EQ(h.run(), 0);
    const CImage skin(assets::skinNormal);
    // Outside the view the presented frame is the skin's normal layer.
    EXPECT_EQ(h.record.lastFrame[30 * kWindowWidth + 200], skin.pixel(200, 30));
    EXPECT_EQ(h.record.lastFrame[430 * kWindowWidth + 5], skin.pixel(5, 430));
}

TEST(FrameLoop, TheFirstFrameAlreadyBelongsToTheFirstTrack)
{
    Harness h;
    h.script({escape()});
    int32_t trackAtFirstFrame = -2;
    bool playingAtFirstFrame = false;
    h.record.onPresent = [&](const uint32_t*) {
        if (h.record.presentCount > 0)
            return;
        trackAtFirstFrame = h.app->player.state.currentTrack;
        playingAtFirstFrame = h.engine.isActive(h.app->player.catalogue.rows[0].stream);
    };
    EXPECT_EQ(h.run(), 0);
    EXPECT_EQ(trackAtFirstFrame, 0);
    EXPECT_TRUE(playingAtFirstFrame);
}

TEST(FrameLoop, StartsUpInOrder)
{
    Harness h;
    h.script({escape()});
    bool readyAtAudioStart = false, cursorsBeforeAudio = true, readyAtFirstPlay = false;
    h.engine.onInit = [&] {
        const App& a = *h.app;
        readyAtAudioStart = h.record.open && !h.record.mask.empty() && a.smallFont.sheet && a.largeFont.sheet &&
                            a.smallFont.fixedAdvance == 6 && a.largeFont.fixedAdvance == -1 && a.skinNormal &&
                            a.skinHover && a.skinActive && a.volumeKnob && a.hitMap && !a.hitMap->empty();
        cursorsBeforeAudio = h.indexOf("cursors") >= 0;
    };
    h.engine.onFirstPlay = [&] {
        readyAtFirstPlay = h.app->effects.heightMap != nullptr && h.indexOf("cursors") >= 0 && h.app->volume == 1.0f &&
                           h.app->player.state.trackCount == 33;
    };
    EXPECT_EQ(h.run(), 0);
    EXPECT_TRUE(readyAtAudioStart);
    EXPECT_FALSE(cursorsBeforeAudio);
    EXPECT_TRUE(readyAtFirstPlay);
    EXPECT_EQ(h.indexOf("open"), 0);
    EXPECT_EQ(h.indexOf("shape"), 1);
    EXPECT_LT(h.indexOf("init"), h.indexOf("open 01"));
    EXPECT_LT(h.indexOf("open 01"), h.indexOf("cursors"));
    EXPECT_LT(h.indexOf("cursors"), h.indexOf("play"));
    EXPECT_LT(h.indexOf("play"), h.indexOf("present"));
    EXPECT_EQ(h.record.spec.width, 337);
    EXPECT_EQ(h.record.spec.height, 443);
    EXPECT_STREQ(h.record.spec.title, "QUARVEN (Hi Dunvar!)");
    EXPECT_GT(h.record.spec.iconWidth, 0);
}

TEST(FrameLoop, ShutsDownAudioThenTheWindowThenImagesAndFonts)
{
    Harness h;
    h.script({escape()});
    bool aliveAtAudioFree = false;
    h.engine.onFreeAll = [&] { aliveAtAudioFree = h.record.open && h.app->hitMap && h.app->smallFont.sheet; };
    EXPECT_EQ(h.run(), 0);
    EXPECT_TRUE(aliveAtAudioFree);
    EXPECT_LT(h.lastIndexOf("present"), h.indexOf("stopOutput"));
    EXPECT_LT(h.indexOf("freeAll"), h.indexOf("destroy"));
    EXPECT_EQ(h.engine.calls.back(), "destroy");
    const App& a = *h.app;
    EXPECT_FALSE(a.display || a.skinNormal || a.skinHover || a.skinActive || a.volumeKnob || a.hitMap);
    EXPECT_EQ(a.smallFont.sheet, nullptr);
    EXPECT_EQ(a.largeFont.sheet, nullptr);
}

int newlines(const std::string& text) { return int(std::count(text.begin(), text.end(), '\n')); }

TEST(FrameLoop, AudioStartFailureEndsWithMinusOneAndPresentsNothing)
{
    Harness h;
    h.engine.initSucceeds = false;
    testing::internal::CaptureStderr();
    EXPECT_EQ(h.run(), -1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(h.record.presentCount, 0);
    EXPECT_EQ(h.indexOf("open 01"), -1);
    EXPECT_EQ(h.indexOf("play"), -1);
    EXPECT_FALSE(h.record.open);
    EXPECT_FALSE(h.app->hitMap || h.app->skinNormal);
    EXPECT_EQ(h.app->smallFont.sheet, nullptr);
    EXPECT_NE(err.find("no audio device (stand-in)"), std::string::npos) << err;
    EXPECT_NE(err.find("SDL_AUDIODRIVER=dummy"), std::string::npos) << err;
    EXPECT_EQ(newlines(err), 1) << err;
}

TEST(FrameLoop, AWindowThatCannotOpenEndsWithOneBeforeAnythingElse)
{
    Harness h;
    h.record.failOpen = true;
    h.record.openError = "x11 not available";
    testing::internal::CaptureStderr();
    EXPECT_EQ(h.run(), 1);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(h.engine.calls, std::vector<std::string>{"open"});
    EXPECT_EQ(h.record.presentCount, 0);
    EXPECT_NE(err.find("x11 not available"), std::string::npos) << err;
    EXPECT_EQ(newlines(err), 1) << err;
}

// Hidden, the loop rests between passes; what other threads and signals
// bring wakes it, and each is carried out by the pass that follows.
TEST(FrameLoop, AHiddenLoopIsWokenByTheTrackEndTheBusAndAQuitSignal)
{
    Harness h;
    platform::HeadlessRest rest;
    h.services.rest = &rest;
    h.record.visible = false;
    h.record.script.assign(20, Event{EventKind::Other});
    std::vector<int32_t> trackAtRest;
    std::vector<int> wakesAtRest;
    rest.onRest = [&](uint32_t ms) {
        h.clock.now += ms;
        trackAtRest.push_back(h.app->player.state.currentTrack);
        wakesAtRest.push_back(rest.wakes.load());
        switch (trackAtRest.size()) {
        case 1: h.engine.fireEnd(h.app->player.catalogue.rows[0].stream); break; // as the engine's thread would
        case 2: h.app->remote.request({platform::RemoteCommand::Next}); break;     // as the bus's thread would
        case 3: rest.quit = true; break;
        default: break;
        }
    };
    EXPECT_EQ(h.run(), 0);
    EXPECT_EQ(sleeps, 0) << "no pass of a hidden window sleeps the plain 2 ms";
    ASSERT_EQ(trackAtRest.size(), 3u) << "the pass after the quit signal is the last";
    EXPECT_EQ(trackAtRest, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(wakesAtRest, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(h.record.script.size(), 16u);
    EXPECT_EQ(h.record.presentCount, 0);
}

} // namespace
