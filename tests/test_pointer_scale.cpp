#include "display/messages.h"
#include "display/pointer_scale.h"

#include <gtest/gtest.h>

namespace {

using platform::Event;
using platform::EventKind;

Event at(EventKind kind, int32_t x, int32_t y) { return Event{kind, x, y}; }

TEST(PointerScale, DoubleSizePositionsLandOnTheirSingleSizePixel)
{
    struct Case {
        int32_t x, y;    // on the 674 x 886 window
        int32_t wx, wy;  // in the window's own pixels
    };
    for (const Case& c : {Case{0, 0, 0, 0}, Case{1, 1, 0, 0}, Case{433, 255, 216, 127}, Case{673, 885, 336, 442},
                          Case{674, 886, 337, 443}, Case{-1, -1, -1, -1}, Case{-2, -3, -1, -2}}) {
        const Event e = toWindowPixels(at(EventKind::LeftPress, c.x, c.y), 2);
        EXPECT_EQ(e.x, c.wx) << c.x;
        EXPECT_EQ(e.y, c.wy) << c.y;
    }
    const Event same = toWindowPixels(at(EventKind::MouseMove, 673, 885), 1);
    EXPECT_EQ(same.x, 673);
    EXPECT_EQ(same.y, 885);
}

TEST(PointerScale, OnlyPointerPositionsAreHalved)
{
    for (EventKind kind : {EventKind::MouseMove, EventKind::LeftPress, EventKind::LeftRelease, EventKind::RightPress})
        EXPECT_EQ(toWindowPixels(at(kind, 100, 60), 2).x, 50);
    // The window's place on the screen stays in screen pixels.
    const Event moved = toWindowPixels(at(EventKind::Moved, 101, 61), 2);
    EXPECT_EQ(moved.x, 101);
    EXPECT_EQ(moved.y, 61);
}

// The input state and the drag decision see the window's own pixels: a
// press on either screen pixel of a slider box edge is inside it, the next
// one out is not; positions just outside the doubled window are not stored.
TEST(PointerScale, SliderBoxAndStoredPositionsAtDoubleSize)
{
    InputState input;
    EXPECT_FALSE(handleMessage(input, toWindowPixels(at(EventKind::LeftPress, 69, 29), 2)));
    EXPECT_FALSE(handleMessage(input, toWindowPixels(at(EventKind::LeftPress, 115, 213), 2)));
    EXPECT_TRUE(handleMessage(input, toWindowPixels(at(EventKind::LeftPress, 67, 29), 2)));
    EXPECT_TRUE(handleMessage(input, toWindowPixels(at(EventKind::LeftPress, 116, 60), 2)));
    handleMessage(input, toWindowPixels(at(EventKind::MouseMove, 673, 885), 2));
    EXPECT_EQ(input.mouseX, 336u);
    EXPECT_EQ(input.mouseY, 442u);
    handleMessage(input, toWindowPixels(at(EventKind::MouseMove, 674, 10), 2));
    handleMessage(input, toWindowPixels(at(EventKind::MouseMove, -1, 10), 2));
    EXPECT_EQ(input.mouseX, 336u) << "outside the window: the last position inside stays";
    EXPECT_EQ(input.mouseY, 442u);
}

} // namespace
