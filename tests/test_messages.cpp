#include "display/messages.h"

#include <gtest/gtest.h>

namespace {

using platform::Event;
using platform::EventKind;
using platform::Key;

Event at(EventKind kind, int32_t x, int32_t y) { return Event{kind, x, y}; }

void expectSame(const InputState& a, const InputState& b)
{
    EXPECT_EQ(a.mouseX, b.mouseX);
    EXPECT_EQ(a.mouseY, b.mouseY);
    EXPECT_EQ(a.clickPending, b.clickPending);
    EXPECT_EQ(a.quitRequested, b.quitRequested);
}

TEST(Messages, PressInsideTheSliderBoxNeverDrags)
{
    for (auto [x, y] : {std::pair{34, 14}, {57, 106}, {45, 60}, {57, 14}, {34, 106}}) {
        InputState input;
        EXPECT_FALSE(handleMessage(input, at(EventKind::LeftPress, x, y))) << x << "," << y;
        EXPECT_EQ(input.clickPending, 1);
        EXPECT_EQ(input.mouseX, uint32_t(x));
        EXPECT_EQ(input.mouseY, uint32_t(y));
    }
}

TEST(Messages, PressOutsideTheSliderBoxDragsAndIsStillAClick)
{
    for (auto [x, y] : {std::pair{33, 14}, {34, 13}, {58, 50}, {40, 107}, {0, 0}, {336, 442}}) {
        InputState input;
        EXPECT_TRUE(handleMessage(input, at(EventKind::LeftPress, x, y))) << x << "," << y;
        EXPECT_EQ(input.clickPending, 1);
        EXPECT_EQ(input.mouseX, uint32_t(x));
        EXPECT_EQ(input.mouseY, uint32_t(y));
    }
}

TEST(Messages, ReleaseEndsTheClickAndMovesFollowThePointer)
{
    InputState input;
    handleMessage(input, at(EventKind::LeftPress, 45, 60));
    EXPECT_FALSE(handleMessage(input, at(EventKind::MouseMove, 46, 70)));
    EXPECT_EQ(input.clickPending, 1);
    EXPECT_EQ(input.mouseY, 70u);
    EXPECT_FALSE(handleMessage(input, at(EventKind::LeftRelease, 47, 80)));
    EXPECT_EQ(input.clickPending, 0);
    EXPECT_EQ(input.mouseX, 47u);
    EXPECT_EQ(input.mouseY, 80u);
}

TEST(Messages, PositionsOutsideTheWindowAreNeverStored)
{
    InputState input;
    handleMessage(input, at(EventKind::LeftPress, 45, 60));
    for (auto [x, y] : {std::pair{-1, 60}, {45, -1}, {337, 60}, {45, 443}, {70000, 3}}) {
        handleMessage(input, at(EventKind::MouseMove, x, y));
        EXPECT_EQ(input.mouseX, 45u);
        EXPECT_EQ(input.mouseY, 60u);
    }
    // A release outside still ends the click.
    handleMessage(input, at(EventKind::LeftRelease, -20, 500));
    EXPECT_EQ(input.clickPending, 0);
    EXPECT_EQ(input.mouseX, 45u);
}

TEST(Messages, EscapeCloseAndDestroyRequestQuit)
{
    for (EventKind kind : {EventKind::KeyDown, EventKind::CloseRequested, EventKind::Destroyed}) {
        InputState input;
        Event event{kind};
        event.key = Key::Escape;
        EXPECT_FALSE(handleMessage(input, event));
        EXPECT_EQ(input.quitRequested, 1);
        EXPECT_EQ(input.clickPending, 0);
    }
}

TEST(Messages, OtherKeysRightPressAndMovesOfTheWindowChangeNothing)
{
    InputState before;
    before.mouseX = 100;
    before.mouseY = 200;
    before.clickPending = 1;
    Event otherKey{EventKind::KeyDown};
    otherKey.key = Key::Other;
    for (const Event& event : {otherKey, at(EventKind::RightPress, 10, 10), at(EventKind::Moved, 300, 40),
                               Event{EventKind::Other}}) {
        InputState input = before;
        EXPECT_FALSE(handleMessage(input, event));
        expectSame(input, before);
    }
}

} // namespace
