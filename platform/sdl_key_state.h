// The digit keys, read system-wide from X11 where SDL runs on it, else from
// SDL's keyboard state (which only knows about keys pressed in our window).
#pragma once

#include "platform/services.h"

#include <SDL.h>

namespace platform {

class SdlKeyState : public KeyState {
public:
    explicit SdlKeyState(SDL_Window* window);
    bool isDigitDown(int digit) override;
    uint32_t digitsDown() override;

private:
    void* x11Display = nullptr; // Display*, kept opaque so X11 stays in one file
    unsigned char digitKeycodes[10] = {};
};

} // namespace platform
