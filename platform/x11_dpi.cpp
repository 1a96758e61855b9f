#include "platform/x11_dpi.h"

#include <X11/Xlib.h>

namespace platform {

std::string xftDpiSetting()
{
    // A connection of its own, closed at once: the window does not exist yet
    // (its size depends on the answer).
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return {};
    const char* value = XGetDefault(display, "Xft", "dpi");
    std::string result = value != nullptr ? value : "";
    XCloseDisplay(display);
    return result;
}

} // namespace platform
