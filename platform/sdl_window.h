// The real window system: SDL2 video, with X11 where it runs.
#pragma once

#include "platform/window.h"
#include "platform/x11_dpi.h"

namespace platform {

class SdlWindowSystem : public WindowSystem {
public:
    // Opens the window on SDL's X11 driver (see chooseVideoDriver); fails,
    // saying which display was tried, when there is no X display.
    std::unique_ptr<Window> openWindow(const WindowSpec& spec, std::string& error) override;
    // The Xft.dpi resource (empty without one), read before the window opens
    // over a connection held until SDL has its own.
    std::string xftDpiSetting();

private:
    XftDpiQuery dpiQuery;
};

} // namespace platform
