// The digit keys, read system-wide from X11 where SDL runs on it, else from
// SDL's keyboard state (which only knows about keys pressed in our window).
#pragma once

#include "platform/services.h"

#include <SDL.h>

#include <memory>

namespace platform {

namespace x11 {
class KeyWatch;
}

class SdlKeyState : public KeyState {
public:
    explicit SdlKeyState(SDL_Window* window);
    ~SdlKeyState() override;
    SdlKeyState(const SdlKeyState&) = delete;
    SdlKeyState& operator=(const SdlKeyState&) = delete;
    bool isDigitDown(int digit) override;
    uint32_t digitsDown() override;

private:
    uint32_t queriedDigitsDown();

    void* x11Display = nullptr;           // Display*, kept opaque so X11 stays in the source files
    std::unique_ptr<x11::KeyWatch> watch; // null where the server lacks raw key events
    unsigned char digitKeycodes[10] = {};
};

} // namespace platform
