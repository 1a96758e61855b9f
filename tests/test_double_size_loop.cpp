// The program at scale 2 against the headless window: the double-size
// window, its outline, and the controls in the window's own pixels.
#include "app/app.h"

#include "assets/assets.h"
#include "platform/headless_window.h"
#include "support/fake_platform.h"
#include "support/recording_audio_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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
    bool logged(const std::string& line) const
    {
        return std::find(engine.calls.begin(), engine.calls.end(), line) != engine.calls.end();
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

// The next button lies at 216..259 x 112..143 in window pixels: a press at
// its doubled position steps to the next track, and the drag that the press
// starts keeps the press point in screen pixels.
TEST(DoubleSizeLoop, AClickAtTheDoubledPositionOfNextStepsToTheNextTrack)
{
    DoubleSizeHarness h;
    h.record.script = {{EventKind::LeftPress, 475, 255}, {EventKind::LeftRelease, 475, 255}, escape()};
    ASSERT_EQ(runPlayer(*h.app, h.services), 0);
    EXPECT_EQ(h.app->player.state.currentTrack, 1);
    EXPECT_TRUE(h.logged("drag 475 255"));
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
    for (const std::string& line : h.engine.calls)
        EXPECT_NE(line.rfind("drag", 0), 0u) << line;
}

} // namespace
