// Following a drag pass by pass against a scripted desktop: the window keeps
// the press point under the pointer through runs of equal steps, a click
// never moves it nor involves the window manager, the move goes to the
// window manager once the pointer has really moved, and the program takes
// the move back when the window manager does not honour it.
#include "display/window_drag.h"
#include "platform/headless_window_move.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::HeadlessWindowMover;
using platform::PointerSample;
using Log = std::vector<std::string>;

// The window stands at (300, 200); the press is at (100, 50) of it.
constexpr int32_t kWindowX = 300, kWindowY = 200, kGrabX = 100, kGrabY = 50;

PointerSample down(int32_t x, int32_t y, uint32_t ms, int32_t windowX = kWindowX, int32_t windowY = kWindowY)
{
    PointerSample s;
    s.pointerX = x;
    s.pointerY = y;
    s.leftDown = true;
    s.windowX = windowX;
    s.windowY = windowY;
    s.milliseconds = ms;
    return s;
}

PointerSample up(int32_t x, int32_t y, uint32_t ms, bool release, int32_t releaseX = 0, int32_t releaseY = 0)
{
    PointerSample s = down(x, y, ms);
    s.leftDown = false;
    s.releaseQueued = release;
    s.releaseX = releaseX;
    s.releaseY = releaseY;
    return s;
}

// Runs passes until the drag ends (or 1000 passes).
void run(DragState& drag, HeadlessWindowMover& mover)
{
    beginWindowDrag(drag, kGrabX, kGrabY, kWindowX, kWindowY, mover.manager);
    for (int pass = 0; pass < 1000 && dragging(drag); ++pass)
        followWindowDrag(drag, mover);
}

TEST(WindowDrag, OwnMoveFollowsEveryOneOfARunOfEqualSteps)
{
    HeadlessWindowMover mover;
    const int32_t pressX = kWindowX + kGrabX, pressY = kWindowY + kGrabY;
    Log expected;
    uint32_t ms = 0;
    mover.script.push_back(down(pressX, pressY, ms));
    for (int step = 1; step <= 20; ++step) {
        // Two passes per step: the second sees the same pointer and does nothing.
        mover.script.push_back(down(pressX + 3 * step, pressY + 2 * step, ms += 10));
        mover.script.push_back(down(pressX + 3 * step, pressY + 2 * step, ms += 10));
        expected.push_back("move " + std::to_string(kWindowX + 3 * step) + " " + std::to_string(kWindowY + 2 * step));
    }
    mover.script.push_back(up(pressX + 60, pressY + 40, ms += 10, true, pressX + 60, pressY + 40));
    expected.push_back("finished seen");
    DragState drag;
    run(drag, mover);
    EXPECT_EQ(mover.log, expected);
}

TEST(WindowDrag, TheReleaseNotTheLaterPointerDecidesWhereTheDragEnds)
{
    const int32_t pressX = kWindowX + kGrabX, pressY = kWindowY + kGrabY;
    for (bool manager : {false, true}) {
        SCOPED_TRACE(manager ? "under a window manager" : "bare");
        // A click, then the pointer goes far away before the pass sees it.
        HeadlessWindowMover click;
        click.manager = manager;
        click.script = {down(pressX, pressY, 0), up(5, 5, 10, false), up(5, 5, 20, true, pressX + 1, pressY)};
        DragState drag;
        run(drag, click);
        // Moving it yourself, a one-pixel slip of the hand moves the window
        // one pixel; under a manager a slip below the hand-over distance is a click.
        const Log clickLog = manager ? Log{"finished seen"} : Log{"move 301 200", "finished seen"};
        EXPECT_EQ(click.log, clickLog);

        // A whole drag that was over before the first pass: the release is
        // already queued, the pointer parked elsewhere.
        HeadlessWindowMover late;
        late.manager = manager;
        late.script = {up(5, 5, 0, true, pressX + 40, pressY + 30)};
        run(drag, late);
        EXPECT_EQ(late.log, (Log{"move 340 230", "finished seen"}));
    }
}

TEST(WindowDrag, AWindowManagerGetsTheMoveOnlyOnceThePointerHasMoved)
{
    HeadlessWindowMover mover;
    mover.manager = true;
    const int32_t pressX = kWindowX + kGrabX, pressY = kWindowY + kGrabY;
    mover.script = {down(pressX, pressY, 0), down(pressX + 2, pressY - 2, 10),
                    // Moved 3: the window catches up; the server still shows it where it stood.
                    down(pressX + 40, pressY + 30, 20), down(pressX + 45, pressY + 33, 30),
                    // Shown there: the manager carries on from the press point over it.
                    down(pressX + 50, pressY + 36, 40, kWindowX + 40, kWindowY + 30),
                    // The manager moves the window and keeps the release.
                    down(pressX + 80, pressY + 60, 400, kWindowX + 80, kWindowY + 60),
                    down(pressX + 80, pressY + 60, 900, kWindowX + 80, kWindowY + 60), up(pressX + 80, pressY + 60, 910, false)};
    DragState drag;
    run(drag, mover);
    EXPECT_EQ(mover.log, (Log{"move 340 230", "hand over 440 280", "finished kept"}));

    // A manager that puts the window elsewhere than asked: once the wait is
    // over, the point handed over is the press point over where it really is.
    HeadlessWindowMover elsewhere;
    elsewhere.manager = true;
    elsewhere.script = {down(pressX + 40, pressY + 30, 0), down(pressX + 40, pressY + 30, 10, 345, 232),
                        down(pressX + 40, pressY + 30, kDragCatchUpWait - 1, 345, 232),
                        down(pressX + 40, pressY + 30, kDragCatchUpWait, 345, 232),
                        down(pressX + 80, pressY + 60, 500, 385, 262), up(pressX + 80, pressY + 60, 510, false)};
    run(drag, elsewhere);
    EXPECT_EQ(elsewhere.log, (Log{"move 340 230", "hand over 445 282", "finished kept"}));
}

TEST(WindowDrag, TheProgramMovesTheWindowWhenTheManagerDoesNot)
{
    {
        // Too late to see the pointer's last motion, the manager never moved
        // the window and kept the release: it ends under the pointer.
        HeadlessWindowMover late;
        late.manager = true;
        late.script = {down(kWindowX + kGrabX + 40, kWindowY + kGrabY + 30, 0),
                       down(kWindowX + kGrabX + 80, kWindowY + kGrabY + 60, 100, 340, 230),
                       down(kWindowX + kGrabX + 80, kWindowY + kGrabY + 60, 150, 340, 230),
                       up(kWindowX + kGrabX + 80, kWindowY + kGrabY + 60, 200, false)};
        DragState drag;
        run(drag, late);
        EXPECT_EQ(late.log, (Log{"move 340 230", "hand over 440 280", "call off", "move 380 260", "finished kept"}));
    }
    HeadlessWindowMover mover;
    mover.manager = true;
    const int32_t pressX = kWindowX + kGrabX, pressY = kWindowY + kGrabY;
    // After the hand-over the window stays at 340,230: holding still is no
    // sign of a refusal, moving on without the window is.
    mover.script = {down(pressX + 40, pressY + 30, 0),
                    down(pressX + 40, pressY + 30, 1000, 340, 230),
                    down(pressX + 50, pressY + 35, 1010, 340, 230),
                    down(pressX + 50, pressY + 35, 1010 + kDragHandOverPatience - 1, 340, 230),
                    down(pressX + 50, pressY + 35, 1010 + kDragHandOverPatience, 340, 230),
                    down(pressX + 60, pressY + 40, 1300, 350, 235),
                    up(pressX + 60, pressY + 40, 1310, true, pressX + 60, pressY + 40)};
    DragState drag;
    run(drag, mover);
    EXPECT_EQ(mover.log, (Log{"move 340 230", "hand over 440 280", "move 350 235", "move 360 240", "finished seen"}));
}

} // namespace
