#include "platform/sdl_key_state.h"

#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xlib.h>
#include <X11/keysym.h>
#endif

namespace platform {

SdlKeyState::SdlKeyState(SDL_Window* window)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return;
    Display* display = info.info.x11.display;
    for (int digit = 0; digit < 10; ++digit)
        digitKeycodes[digit] = static_cast<unsigned char>(XKeysymToKeycode(display, XK_0 + digit));
    x11Display = display;
#else
    (void)window;
#endif
}

bool SdlKeyState::isDigitDown(int digit)
{
    if (digit < 0 || digit > 9)
        return false;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (x11Display != nullptr) {
        char keys[32] = {};
        XQueryKeymap(static_cast<Display*>(x11Display), keys);
        const unsigned code = digitKeycodes[digit];
        return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
    }
#endif
    const SDL_Scancode code = digit == 0 ? SDL_SCANCODE_0 : static_cast<SDL_Scancode>(SDL_SCANCODE_1 + digit - 1);
    return SDL_GetKeyboardState(nullptr)[code] != 0;
}

} // namespace platform
