// Moving a top-level X11 window: where the pointer and the window are on the
// screen, a move by hand, and the EWMH hand-over of the move to the window
// manager (_NET_WM_MOVERESIZE).
#pragma once

#include <X11/Xlib.h>

namespace platform::x11 {

struct PointerAndWindow {
    int pointerX = 0; // root pixels
    int pointerY = 0;
    bool leftDown = false;
    int windowX = 0; // the window's top-left corner on the root
    int windowY = 0;
};

// A window manager runs (its _NET_SUPPORTING_WM_CHECK window exists) and
// says it moves windows on request.
bool managerMovesWindows(Display* display);

bool queryPointerAndWindow(Display* display, ::Window window, PointerAndWindow& out);

void moveWindow(Display* display, ::Window window, int x, int y);

// Gives up the pointer (held since the press) and asks the window manager to
// move the window with it; (x, y) is the press on the root.
void handOverMove(Display* display, ::Window window, int x, int y);

// Asks the window manager to stop moving the window (a move it is not
// running is left alone).
void cancelMove(Display* display, ::Window window);

// Sends the window a left release at (x, y) of the window: the release the
// window manager kept, so the toolkit sees the button up again.
void sendLeftRelease(Display* display, ::Window window, int x, int y);

} // namespace platform::x11
