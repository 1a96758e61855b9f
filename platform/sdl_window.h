// The real window system: SDL2 video, with X11 where it runs.
#pragma once

#include "platform/window.h"

namespace platform {

class SdlWindowSystem : public WindowSystem {
public:
    // Fails, with SDL's reason, when no display can be opened. SDL quietly
    // falls back to an invisible video driver when there is no display; that
    // counts as failure unless SDL_VIDEODRIVER asked for that driver.
    std::unique_ptr<Window> openWindow(const WindowSpec& spec, std::string& error) override;
};

} // namespace platform
