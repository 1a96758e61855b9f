// The pass's shortcuts against the plain composition: the skin kept between
// changes, nothing drawn while the window is hidden, and the frame-rate cap.
#include "app/app.h"
#include "app/composition.h"
#include "app/control_colours.h"
#include "app/frame_loop.h"
#include "app/startup.h"

#include "assets/assets.h"
#include "platform/headless_rest.h"
#include "platform/headless_window.h"
#include "support/fake_platform.h"
#include "support/recording_audio_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::Event;
using platform::EventKind;

int sleeps = 0;
void noSleep(uint32_t) { ++sleeps; }

struct Program {
    RecordingAudioEngine engine;
    platform::HeadlessWindowSystem windows;
    FakeClock clock;
    std::unique_ptr<App> app = std::make_unique<App>();
    Services services{windows, engine, clock, noSleep};
    platform::HeadlessRecord& record = windows.record;
    int mismatches = 0;
    int checkedFrames = 0;
    // Partial presents that left out a pixel that had changed: the real
    // window would go on showing the old one.
    int staleOutsideChanged = 0;
    int partialsSeen = 0;
    std::vector<uint32_t> previous;

    Program()
    {
        clock.now = 5000;
        EXPECT_TRUE(startUp(*app, services));
    }
    ~Program() { shutDown(*app); }

    // The frame the straightforward path composes from scratch for the
    // program's state right now: the view copied in, every skin pixel laid
    // over it, the knob blended.
    std::vector<uint32_t> plainFrame()
    {
        std::vector<uint32_t> frame(kWindowWidth * kWindowHeight, 0);
        copyView(frame.data(), app->view);
        const SkinImages skin{*app->skinNormal, *app->skinHover, *app->skinActive, *app->volumeKnob, *app->hitMap};
        const int32_t row = app->player.state.currentTrack;
        const StreamHandle stream = row >= 0 ? app->player.catalogue.rows[row].stream : 0;
        overlaySkin(frame.data(), skin, hoverColourAt(*app->hitMap, app->input), engine.isActive(stream),
                    app->player.state.paused != 0, app->player.state.shuffle != 0, app->volume);
        return frame;
    }
    // Checks every presented frame against the plain one, and that a
    // present naming a changed rectangle changed nothing outside it.
    void checkEveryFrame()
    {
        record.onPresent = [this](const uint32_t* frame) {
            ++checkedFrames;
            std::vector<uint32_t> now(frame, frame + kWindowWidth * kWindowHeight);
            if (now != plainFrame())
                ++mismatches;
            if (record.partialPresentCount > partialsSeen && !previous.empty() && changedOutside(now))
                ++staleOutsideChanged;
            partialsSeen = record.partialPresentCount;
            previous = std::move(now);
        };
    }
    bool changedOutside(const std::vector<uint32_t>& now) const
    {
        const platform::PixelRect& r = record.lastChanged;
        for (int32_t y = 0; y < kWindowHeight; ++y)
            for (int32_t x = 0; x < kWindowWidth; ++x) {
                const bool inside = x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height;
                if (!inside && now[y * kWindowWidth + x] != previous[y * kWindowWidth + x])
                    return true;
            }
        return false;
    }
    void pass(Event event = Event{EventKind::Other}, uint32_t step = 16)
    {
        record.script.push_back(event);
        clock.now += step;
        runPass(*app, services);
    }
};

// A point of the embedded hit map with this colour.
Event at(EventKind kind, uint32_t colour)
{
    const CImage hitMap(assets::hitMap);
    for (int32_t y = 0; y < hitMap.height; ++y)
        for (int32_t x = 0; x < hitMap.width; ++x)
            if (hitMap.pixel(x, y) == colour)
                return Event{kind, x, y};
    ADD_FAILURE() << "no colour " << std::hex << colour << " in the hit map";
    return Event{};
}

void click(Program& p, uint32_t colour, const std::string& what)
{
    SCOPED_TRACE(what);
    p.pass(at(EventKind::LeftPress, colour));
    p.pass(at(EventKind::LeftRelease, colour));
    p.pass();
}

TEST(KeptSkin, EveryKindOfChangeGivesThePlainFrame)
{
    Program p;
    p.checkEveryFrame();
    p.pass();
    p.pass(at(EventKind::MouseMove, control::kNext)); // hover onto a control
    p.pass();
    p.pass(Event{EventKind::MouseMove, 2, 440}); // and off it, onto the background
    p.pass(at(EventKind::MouseMove, control::kTrackLink)); // a control inside the view's frame
    p.pass(Event{EventKind::MouseMove, 100, 250}); // the view itself
    click(p, control::kPause, "pause");
    click(p, control::kPause, "resume");
    click(p, control::kShuffle, "shuffle on");
    click(p, control::kStop, "stop: the lamp moves");
    click(p, control::kPlay, "play");
    click(p, control::kNext, "track change");
    // A volume press held and moved down and up the slider, then let go.
    const Event press = at(EventKind::LeftPress, control::kVolume);
    p.pass(press);
    for (int32_t y = 20; y <= 100; y += 7)
        p.pass(Event{EventKind::MouseMove, press.x, y});
    for (int32_t y = 100; y >= 14; y -= 11)
        p.pass(Event{EventKind::MouseMove, press.x, y});
    p.pass(Event{EventKind::LeftRelease, press.x, 14});
    p.pass();
    // The end of the track, from the audio thread.
    const int32_t row = p.app->player.state.currentTrack;
    p.engine.fireEnd(p.app->player.catalogue.rows[row].stream);
    p.pass();
    p.pass();
    EXPECT_EQ(p.mismatches, 0) << "of " << p.checkedFrames << " frames";
    EXPECT_EQ(p.checkedFrames, p.record.presentCount);
    EXPECT_GT(p.checkedFrames, 40);
    // Steady passes send only the view; no change of the skin went that way.
    EXPECT_GT(p.record.partialPresentCount, 10);
    EXPECT_EQ(p.staleOutsideChanged, 0);
}

TEST(HiddenWindow, PresentsNothingAndItsFirstVisiblePassPresentsTheWholeWindow)
{
    Program p;
    p.pass();
    p.pass();
    const int shown = p.record.presentCount;
    p.record.visible = false;
    const int events = p.record.eventsTaken;
    p.pass(at(EventKind::MouseMove, control::kShuffle));
    p.pass(at(EventKind::LeftPress, control::kShuffle)); // a click still lands while hidden
    p.pass(at(EventKind::LeftRelease, control::kShuffle));
    p.pass();
    EXPECT_EQ(p.record.presentCount, shown);
    EXPECT_EQ(p.record.eventsTaken, events + 3); // every pass still takes its message
    EXPECT_EQ(p.app->player.state.shuffle, 1);
    // Whatever the window surface holds meanwhile, the next frame is whole.
    std::fill(std::begin(p.app->window), std::end(p.app->window), 0xDEADBEEFu);
    p.record.visible = true;
    p.checkEveryFrame();
    const int partial = p.record.partialPresentCount;
    p.pass();
    EXPECT_EQ(p.record.presentCount, shown + 1);
    EXPECT_EQ(p.record.partialPresentCount, partial); // sent whole, not as a view update
    EXPECT_EQ(p.checkedFrames, 1);
    EXPECT_EQ(p.mismatches, 0);
}

TEST(FrameRateCap, SixtyASecondAtMostWhileEveryPassTakesItsMessage)
{
    Program p;
    p.app->options.fpsCap = 60;
    std::vector<uint32_t> presentedAt;
    p.checkEveryFrame();
    auto check = p.record.onPresent;
    p.record.onPresent = [&](const uint32_t* frame) {
        presentedAt.push_back(p.clock.now);
        check(frame);
    };
    const uint32_t start = p.clock.now;
    const int events = p.record.eventsTaken;
    int passes = 0;
    // Three seconds of passes 2 or 3 ms apart, with the mouse moving.
    for (uint32_t step = 2; p.clock.now - start < 3000; step = 5 - step, ++passes)
        p.pass(Event{EventKind::MouseMove, int32_t(passes % 300), 20}, step);
    EXPECT_EQ(p.record.eventsTaken, events + passes);
    EXPECT_EQ(p.mismatches, 0);
    // At most 60 in any second, and not far below it.
    for (size_t i = 60; i < presentedAt.size(); ++i)
        EXPECT_GE(presentedAt[i] - presentedAt[i - 60], 1000u) << i;
    EXPECT_GE(presentedAt.size(), 3u * 55u);
    EXPECT_LE(presentedAt.size(), 3u * 60u + 1u);

    // Without the cap every pass presents.
    p.app->options.fpsCap = 0;
    const int before = p.record.presentCount;
    for (int i = 0; i < 10; ++i)
        p.pass(Event{EventKind::Other}, 2);
    EXPECT_EQ(p.record.presentCount, before + 10);
}

// A pass that presents every frame is followed by the plain 2 ms sleep; a
// hidden window's loop and a capped one between its frames rest instead,
// the capped one exactly until its next frame is due.
TEST(FrameRateCap, TheLoopSleepsWhileEveryPassPresentsAndOtherwiseRestsUntilTheNextFrame)
{
    Program p;
    platform::HeadlessRest rest;
    p.services.rest = &rest;
    sleeps = 0;
    p.pass();
    p.pass();
    EXPECT_EQ(sleeps, 2);
    EXPECT_TRUE(rest.rests.empty());

    p.record.visible = false;
    p.pass();
    p.pass();
    EXPECT_EQ(sleeps, 2);
    ASSERT_EQ(rest.rests.size(), 2u);
    EXPECT_GE(rest.rests[0], 50u) << "a hidden loop wakes at most 20 times a second by itself";
    EXPECT_LE(rest.rests[0], 100u) << "and looks again within a tenth of a second";

    p.record.visible = true;
    p.app->options.fpsCap = 50; // a frame every 20 ms
    rest.rests.clear();
    const int presents = p.record.presentCount;
    p.pass(Event{EventKind::Other}, 20);
    p.pass(Event{EventKind::MouseMove, 5, 5}, 7);
    p.pass(Event{EventKind::Other}, 13);
    EXPECT_EQ(p.record.presentCount, presents + 2) << "the first and the third pass present";
    EXPECT_EQ(rest.rests, (std::vector<uint32_t>{20, 13, 20}));
    EXPECT_EQ(sleeps, 2);

    rest.quit = true;
    p.pass(Event{EventKind::Other}, 1);
    EXPECT_EQ(p.app->input.quitRequested, 1) << "a quit signal ends the loop after this pass";
    EXPECT_EQ(p.record.presentCount, presents + 3) << "whose frame is presented, due or not";
}

} // namespace
