// How the window names itself to an X11 desktop beyond what SDL sets: the
// class the desktop entry's StartupWMClass matches, and every size of the
// icon in _NET_WM_ICON (SDL sets one).
#pragma once

#include "platform/window.h"

#include <X11/Xlib.h>

namespace platform::x11 {

// WM_CLASS: instance name and class name. Set before the window is mapped.
void setWindowClass(Display* display, ::Window window, const char* instance, const char* className);

// _NET_WM_ICON with each image that has pixels.
void setWindowIcons(Display* display, ::Window window, const IconImage* icons, int count);

} // namespace platform::x11
