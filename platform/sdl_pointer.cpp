#include "platform/sdl_pointer.h"

#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#endif

namespace platform {

namespace {

bool queryX11(SDL_Window* window, int& x, int& y)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return false;
    ::Window root = 0, child = 0;
    int winX = 0, winY = 0;
    unsigned int buttons = 0;
    return XQueryPointer(info.info.x11.display, info.info.x11.window, &root, &child, &x, &y, &winX, &winY, &buttons) ==
           True;
#else
    (void)window, (void)x, (void)y;
    return false;
#endif
}

} // namespace

void screenPointer(SDL_Window* window, int eventX, int eventY, int& x, int& y)
{
    if (queryX11(window, x, y))
        return;
    int windowX = 0, windowY = 0;
    SDL_GetWindowPosition(window, &windowX, &windowY);
    x = windowX + eventX;
    y = windowY + eventY;
}

} // namespace platform
