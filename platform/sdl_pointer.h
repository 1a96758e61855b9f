// Where the pointer is on the screen, for moving the window by hand.
#pragma once

#include <SDL.h>

namespace platform {

// The pointer's screen position. Asks the X server directly where SDL runs on
// X11 (SDL's global mouse state can be stale there); elsewhere derives it
// from the window position and the event's window coordinates.
void screenPointer(SDL_Window* window, int eventX, int eventY, int& x, int& y);

} // namespace platform
