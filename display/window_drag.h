// Following a drag of the window, pass by pass, from the pointer's screen
// position and button state rather than from motion events: a motion that
// leaves the pointer at the same spot of the window (because the window has
// just moved under it) is never reported, so motion events lose every second
// step of a run of equal steps.
//
// Under a window manager the move is handed to it once the pointer has moved
// kDragHandOverDistance pixels with the button down (so a plain click never
// involves it): the window first catches up with the pointer, and only once
// the server shows it where it was put (or kDragCatchUpWait has passed) is
// the move handed over, from the press point over the window's place as the
// server shows it. The manager moves the window by the pointer's travel from
// that point, so the window it moves and the point it is given must agree:
// handing over the pointer's place while the manager still has the window
// where it stood before the catch-up would leave the window that far off for
// the rest of the drag. If the window has not moved kDragHandOverPatience
// milliseconds after the pointer did, the program moves the window itself,
// as it does from the start where no window manager runs. The drag ends when
// the button is seen up, wherever the pointer is.
#pragma once

#include "platform/window_move.h"

#include <cstdint>

constexpr int32_t kDragHandOverDistance = 3;
constexpr uint32_t kDragHandOverPatience = 250;
// How long the catch-up waits for the server to show the window where it was
// put (a manager may place it elsewhere, or late) before handing over anyway.
constexpr uint32_t kDragCatchUpWait = 150;
// How long a drag the program moves itself waits, with the button seen up,
// for the release event that tells where the button went up.
constexpr uint32_t kDragReleaseWait = 100;

enum class DragPhase : uint8_t {
    Idle,
    Waiting,       // button down, pointer not yet far enough to hand over
    CatchingUp,    // the window was put under the pointer; waiting to see it there
    OwnMove,       // the program moves the window
    ManagerMove,   // handed to the window manager
};

struct DragState {
    DragPhase phase = DragPhase::Idle;
    int32_t grabX = 0; // the press point in window pixels
    int32_t grabY = 0;
    int32_t startX = 0; // the window's place at the press
    int32_t startY = 0;
    int32_t placedX = 0; // where the program last put the window
    int32_t placedY = 0;
    int32_t handOverX = 0; // the pointer on the screen at the hand-over
    int32_t handOverY = 0;
    uint32_t catchUpAt = 0;
    bool pointerLeft = false; // the pointer has left the hand-over point since
    uint32_t pointerLeftAt = 0;
    uint32_t upSeenAt = 0;
    bool upSeen = false;
    bool managerMoved = false; // the window manager has moved the window in this drag
};

enum class DragAction : uint8_t { None, MoveTo, HandOver, End, MoveAndEnd };

struct DragStep {
    DragAction action = DragAction::None;
    int32_t x = 0; // the window's new place (HandOver: where the manager has it)
    int32_t y = 0;
    // The move handed to the manager is called off first (it never moved the
    // window: it may have taken the move up only after the release).
    bool callOff = false;
};

// A press at (grabX, grabY) of the window, which stands at (windowX, windowY).
void beginWindowDrag(DragState& drag, int32_t grabX, int32_t grabY, int32_t windowX, int32_t windowY,
                     bool managerMoves);

// What to do in this pass, given one look at the desktop.
DragStep stepWindowDrag(DragState& drag, const platform::PointerSample& now);

// A press at (grabX, grabY) of the window starts a drag against the desktop:
// the mover begins watching, and the window's place is taken from it.
void startWindowDrag(DragState& drag, platform::WindowMover& mover, int32_t grabX, int32_t grabY);

// One pass of a drag against the desktop: looks, decides, acts. Does nothing
// when no drag lasts. Called every pass, whether or not an event came: a
// window moved under a still pointer reports no motion.
void followWindowDrag(DragState& drag, platform::WindowMover& mover);

inline bool dragging(const DragState& drag) { return drag.phase != DragPhase::Idle; }
