#include "display/window_drag.h"

#include <cstdlib>

namespace {

bool farApart(int32_t ax, int32_t ay, int32_t bx, int32_t by)
{
    return std::abs(ax - bx) >= kDragHandOverDistance || std::abs(ay - by) >= kDragHandOverDistance;
}

DragStep endAt(DragState& drag, int32_t x, int32_t y)
{
    drag.phase = DragPhase::Idle;
    if (x == drag.placedX && y == drag.placedY)
        return {DragAction::End};
    drag.placedX = x;
    drag.placedY = y;
    return {DragAction::MoveAndEnd, x, y};
}

// The button is up. The release tells where it went up; the pointer may
// have gone elsewhere since (a quick click and away), so it is not asked.
// Without the release yet (it may arrive a moment after the button state),
// wait a little for it.
DragStep buttonUp(DragState& drag, const platform::PointerSample& now)
{
    if (now.releaseQueued) {
        const bool moved = farApart(now.releaseX, now.releaseY, drag.startX + drag.grabX, drag.startY + drag.grabY);
        if (drag.phase == DragPhase::Waiting && !moved)
            return endAt(drag, drag.placedX, drag.placedY); // a click: the window stays
        return endAt(drag, now.releaseX - drag.grabX, now.releaseY - drag.grabY);
    }
    if (!drag.upSeen) {
        drag.upSeen = true;
        drag.upSeenAt = now.milliseconds;
    }
    if (now.milliseconds - drag.upSeenAt >= kDragReleaseWait)
        return endAt(drag, drag.placedX, drag.placedY);
    return {};
}

DragStep followPointer(DragState& drag, const platform::PointerSample& now)
{
    const int32_t x = now.pointerX - drag.grabX;
    const int32_t y = now.pointerY - drag.grabY;
    if (x == drag.placedX && y == drag.placedY)
        return {};
    drag.placedX = x;
    drag.placedY = y;
    return {DragAction::MoveTo, x, y};
}

// The window manager holds the pointer and usually keeps the release. If the
// window stays put for a while after the pointer has left the hand-over
// point, the request was not honoured and the program moves the window.
DragStep managerMoves(DragState& drag, const platform::PointerSample& now)
{
    if (!now.leftDown) {
        if (drag.managerMoved) {
            drag.phase = DragPhase::Idle;
            return {DragAction::End};
        }
        // A manager that took the pointer only after its last motion never
        // moves the window: it ends where the button went up (the pointer
        // now, if the manager kept the release).
        const int32_t x = now.releaseQueued ? now.releaseX : now.pointerX;
        const int32_t y = now.releaseQueued ? now.releaseY : now.pointerY;
        DragStep step = endAt(drag, x - drag.grabX, y - drag.grabY);
        step.callOff = true;
        return step;
    }
    if (now.windowX != drag.placedX || now.windowY != drag.placedY)
        drag.managerMoved = true;
    if (drag.managerMoved)
        return {};
    if (!drag.pointerLeft) {
        if (now.pointerX == drag.handOverX && now.pointerY == drag.handOverY)
            return {};
        drag.pointerLeft = true;
        drag.pointerLeftAt = now.milliseconds;
    }
    if (now.milliseconds - drag.pointerLeftAt < kDragHandOverPatience)
        return {};
    drag.phase = DragPhase::OwnMove;
    return followPointer(drag, now);
}

// The manager is given the press point over the window's place as the server
// shows it now, which is also where the manager has it.
DragStep handOver(DragState& drag, const platform::PointerSample& now)
{
    drag.phase = DragPhase::ManagerMove;
    drag.placedX = now.windowX;
    drag.placedY = now.windowY;
    drag.handOverX = now.pointerX;
    drag.handOverY = now.pointerY;
    return {DragAction::HandOver, now.windowX, now.windowY};
}

} // namespace

void beginWindowDrag(DragState& drag, int32_t grabX, int32_t grabY, int32_t windowX, int32_t windowY,
                     bool managerMoves)
{
    drag = DragState{};
    drag.phase = managerMoves ? DragPhase::Waiting : DragPhase::OwnMove;
    drag.grabX = grabX;
    drag.grabY = grabY;
    drag.startX = drag.placedX = windowX;
    drag.startY = drag.placedY = windowY;
}

DragStep stepWindowDrag(DragState& drag, const platform::PointerSample& now)
{
    switch (drag.phase) {
    case DragPhase::Idle:
        return {};
    case DragPhase::Waiting:
        if (!now.leftDown)
            return buttonUp(drag, now);
        drag.upSeen = false;
        if (!farApart(now.pointerX, now.pointerY, drag.startX + drag.grabX, drag.startY + drag.grabY))
            return {};
        // Some managers move a window only at the pointer's next motion,
        // which may never come: the window catches up first.
        drag.phase = DragPhase::CatchingUp;
        drag.catchUpAt = now.milliseconds;
        return followPointer(drag, now);
    case DragPhase::CatchingUp:
        if (!now.leftDown)
            return buttonUp(drag, now);
        drag.upSeen = false;
        if ((now.windowX != drag.placedX || now.windowY != drag.placedY) &&
            now.milliseconds - drag.catchUpAt < kDragCatchUpWait)
            return {};
        return handOver(drag, now);
    case DragPhase::OwnMove:
        if (!now.leftDown)
            return buttonUp(drag, now);
        drag.upSeen = false;
        return followPointer(drag, now);
    case DragPhase::ManagerMove:
        return managerMoves(drag, now);
    }
    return {};
}

void startWindowDrag(DragState& drag, platform::WindowMover& mover, int32_t grabX, int32_t grabY)
{
    mover.begin();
    const platform::PointerSample now = mover.sample();
    beginWindowDrag(drag, grabX, grabY, now.windowX, now.windowY, mover.managerMoves());
}

void followWindowDrag(DragState& drag, platform::WindowMover& mover)
{
    if (!dragging(drag))
        return;
    const platform::PointerSample now = mover.sample();
    const DragStep step = stepWindowDrag(drag, now);
    switch (step.action) {
    case DragAction::None:
        break;
    case DragAction::MoveTo:
        mover.moveTo(step.x, step.y);
        break;
    case DragAction::HandOver:
        mover.handOver(step.x + drag.grabX, step.y + drag.grabY);
        break;
    case DragAction::MoveAndEnd:
        // After the call-off, which puts the window back where the move began.
        if (step.callOff)
            mover.callOffMove();
        mover.moveTo(step.x, step.y);
        mover.finished(now.releaseQueued);
        break;
    case DragAction::End:
        if (step.callOff)
            mover.callOffMove();
        mover.finished(now.releaseQueued);
        break;
    }
}
