#include "platform/sdl_key_state.h"

#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include "platform/x11_key_watch.h"

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
    watch = std::make_unique<x11::KeyWatch>();
    if (!watch->watch(DisplayString(display)))
        watch.reset();
#else
    (void)window;
#endif
}

SdlKeyState::~SdlKeyState() = default;

bool SdlKeyState::isDigitDown(int digit)
{
    return digit >= 0 && digit <= 9 && (digitsDown() & (1u << digit)) != 0;
}

uint32_t SdlKeyState::digitsDown()
{
    uint32_t held = 0;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (watch != nullptr) {
        watch->takeChanges();
        for (int digit = 0; digit <= 9; ++digit)
            if (digitKeycodes[digit] != 0 && watch->isHeld(digitKeycodes[digit]))
                held |= 1u << digit;
        return held;
    }
    if (x11Display != nullptr)
        return queriedDigitsDown();
#endif
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    for (int digit = 0; digit <= 9; ++digit) {
        const SDL_Scancode code = digit == 0 ? SDL_SCANCODE_0 : static_cast<SDL_Scancode>(SDL_SCANCODE_1 + digit - 1);
        if (state[code] != 0)
            held |= 1u << digit;
    }
    return held;
}

// One XQueryKeymap (a round trip to the X server) for all ten digits.
uint32_t SdlKeyState::queriedDigitsDown()
{
    uint32_t held = 0;
#if defined(SDL_VIDEO_DRIVER_X11)
    char keys[32] = {};
    XQueryKeymap(static_cast<Display*>(x11Display), keys);
    for (int digit = 0; digit <= 9; ++digit) {
        const unsigned code = digitKeycodes[digit];
        if (code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0)
            held |= 1u << digit;
    }
#endif
    return held;
}

} // namespace platform
