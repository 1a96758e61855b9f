// What following a drag of the window needs from the desktop: where the
// pointer and the window are on the screen, and two ways of moving the
// window (by hand, or by handing the move to the window manager). The rules
// of the drag live with the program, which calls these; the SDL backend asks
// the X server, the headless one replays a script, for tests.
#pragma once

#include <cstdint>

namespace platform {

// One look at the desktop, taken once per pass while a drag lasts.
struct PointerSample {
    int32_t pointerX = 0; // screen pixels
    int32_t pointerY = 0;
    bool leftDown = false;
    int32_t windowX = 0; // the window's top-left corner on the screen
    int32_t windowY = 0;
    uint32_t milliseconds = 0;
    // The left release of this drag, once it has reached the program: where
    // it happened on the screen.
    bool releaseQueued = false;
    int32_t releaseX = 0;
    int32_t releaseY = 0;
};

class WindowMover {
public:
    virtual ~WindowMover() = default;
    // A drag starts (a press the program will follow): the mover watches
    // for what the drag needs from now until finished().
    virtual void begin() = 0;
    // Whether a window manager runs that moves windows on request.
    virtual bool managerMoves() = 0;
    virtual PointerSample sample() = 0;
    // Places the window's top-left corner at (x, y) on the screen.
    virtual void moveTo(int32_t x, int32_t y) = 0;
    // Asks the window manager to move the window with the pointer from now
    // until the button is released; (x, y) is the press on the screen.
    virtual void handOver(int32_t x, int32_t y) = 0;
    // Tells the window manager to stop the move it was handed. A hand-over
    // that reaches it after the release starts a move that carries the
    // window with the bare pointer and swallows the next click; stopping it
    // puts the window back where the move began.
    virtual void callOffMove() = 0;
    // The drag is over. When the window manager took the release, the
    // window system is told the button is up, so that the next press counts.
    virtual void finished(bool releaseSeen) = 0;
};

} // namespace platform
