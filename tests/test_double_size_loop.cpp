// The program at scale 2 against the headless window: the double-size
// window, its outline, and the controls in the window's own pixels.
#include "app/app.h"

#include "assets/assets.h"
#include "platform/headless_window.h"
#include "support/fake_platform.h"
#include "support/recording_audio_engine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::Event;
using platform::EventKind;

void noSleep(uint32_t) {}

struct DoubleSizeHarness {
    RecordingAudioEngine engine;
    platform::HeadlessWindowSystem windows;
    FakeClock clock;
    std::unique_ptr<App> app = std::make_unique<App>();
    Services services{windows, engine, clock, noSleep};
    platform::HeadlessRecord& record = windows.record;

    DoubleSizeHarness()
    {
        record.log = &engine.calls;
        app->scale = 2;
    }
};

Event escape()
{
    Event e{EventKind::KeyDown};
    e.key = platform::Key::Escape;
    return e;
}

TEST(DoubleSizeLoop, OpensA674By886WindowShapedByTheDoubledOutline)
{
    DoubleSizeHarness h;
    h.record.script = {escape()};
    ASSERT_EQ(runPlayer(*h.app, h.services), 0);
    EXPECT_EQ(h.record.spec.width, 674);
    EXPECT_EQ(h.record.spec.height, 886);
    ASSERT_EQ(h.record.mask.size(), 674u * 886u);
    const auto shown = [&](int x, int y) { return h.record.mask[static_cast<size_t>(y) * 674 + x] != 0; };
    // Single size: row 0 shows columns 5..331, the last column never shows.
    EXPECT_FALSE(shown(9, 0));
    EXPECT_FALSE(shown(9, 1));
    EXPECT_TRUE(shown(10, 0));
    EXPECT_TRUE(shown(663, 1));
    EXPECT_FALSE(shown(664, 0));
    EXPECT_TRUE(shown(671, 400));
    EXPECT_FALSE(shown(672, 400));
    EXPECT_FALSE(shown(673, 400));
    EXPECT_FALSE(shown(0, 885));
    EXPECT_EQ(h.record.lastFrame.size(), 674u * 886u);
    EXPECT_EQ(h.record.presentCount, 1);
}

platform::PointerSample windowAt(int32_t x, int32_t y)
{
    platform::PointerSample s;
    s.windowX = x;
    s.windowY = y;
    return s;
}

// The next button lies at 216..259 x 112..143 in window pixels: a press at
// its doubled position steps to the next track, and the drag that the press
// starts keeps the press point in screen pixels: the window standing at
// 100,50 ends where the button went up, 40,30 further, less that point.
TEST(DoubleSizeLoop, AClickAtTheDoubledPositionOfNextStepsToTheNextTrack)
{
    DoubleSizeHarness h;
    h.record.script = {{EventKind::LeftPress, 475, 255}, {EventKind::LeftRelease, 475, 255}, escape()};
    platform::PointerSample released = windowAt(100, 50);
    released.releaseQueued = true;
    released.releaseX = 100 + 475 + 40;
    released.releaseY = 50 + 255 + 30;
    h.record.mover.script = {windowAt(100, 50), released};
    ASSERT_EQ(runPlayer(*h.app, h.services), 0);
    EXPECT_EQ(h.app->player.state.currentTrack, 1);
    EXPECT_EQ(h.record.mover.log, (std::vector<std::string>{"begin", "move 140 80", "finished seen"}));
    EXPECT_EQ(h.app->input.mouseX, 237u);
    EXPECT_EQ(h.app->input.mouseY, 127u);
}

TEST(DoubleSizeLoop, APressOnTheDoubledSliderSetsTheVolumeAndDoesNotDrag)
{
    DoubleSizeHarness h;
    // Window row 59 of the slider (rows 13..106): 1 - 47/94 = one half.
    h.record.script = {{EventKind::LeftPress, 90, 118}, Event{EventKind::Other}, escape()};
    ASSERT_EQ(runPlayer(*h.app, h.services), 0);
    EXPECT_FLOAT_EQ(h.app->volume, 0.5f);
    EXPECT_TRUE(h.record.mover.log.empty());
    EXPECT_FALSE(dragging(h.app->drag));
}

} // namespace
