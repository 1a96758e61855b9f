#include "display/messages.h"

#include "gfx/frame.h"

namespace {

bool insideWindow(int32_t x, int32_t y) { return x >= 0 && x < kWindowWidth && y >= 0 && y < kWindowHeight; }

// The controls index the hit map with the stored position, so a position
// outside the window (the pointer is captured while a button is held) is
// not stored: the last one inside stays, as if the pointer had stopped at
// the edge.
void storePosition(InputState& input, const platform::Event& event)
{
    if (!insideWindow(event.x, event.y))
        return;
    input.mouseX = static_cast<uint32_t>(event.x);
    input.mouseY = static_cast<uint32_t>(event.y);
}

bool insideSliderBox(int32_t x, int32_t y)
{
    return x >= kSliderBoxLeft && x <= kSliderBoxRight && y >= kSliderBoxTop && y <= kSliderBoxBottom;
}

} // namespace

bool handleMessage(InputState& input, const platform::Event& event)
{
    using platform::EventKind;
    switch (event.kind) {
    case EventKind::MouseMove:
        storePosition(input, event);
        return false;
    case EventKind::LeftPress:
        storePosition(input, event);
        input.clickPending = 1;
        return !insideSliderBox(event.x, event.y);
    case EventKind::LeftRelease:
        input.clickPending = 0;
        storePosition(input, event);
        return false;
    case EventKind::KeyDown:
        if (event.key == platform::Key::Escape)
            input.quitRequested = 1;
        return false;
    case EventKind::CloseRequested:
    case EventKind::Destroyed:
        input.quitRequested = 1;
        return false;
    case EventKind::Moved: // the window surface travels with the window
    case EventKind::RightPress:
    case EventKind::Wheel: // the player's commands, not the input state
    case EventKind::Other:
        return false;
    }
    return false;
}
