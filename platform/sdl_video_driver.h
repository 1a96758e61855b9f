// Which of SDL's video drivers the window opens on: X11, which every
// desktop provides (Wayland desktops through Xwayland). The window needs the
// X shape extension, and SDL's Wayland driver has no shaped windows: asked
// for it, SDL crashes on some compositors and opens no visible window on
// others.
#pragma once

#include <string>

namespace platform {

// Makes SDL take its X11 driver, whatever SDL_VIDEODRIVER says, and says so
// on standard error when the variable named another driver. Only the
// invisible "dummy" and "offscreen" drivers, asked for by name, are left to
// SDL: a run without any screen is then what was wanted.
void chooseVideoDriver();

// The one-line reason when SDL's X11 driver could not start: which display
// was tried, and SDL's words.
std::string noDisplayReason(const char* sdlError);

} // namespace platform
