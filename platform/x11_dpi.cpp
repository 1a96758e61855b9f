#include "platform/x11_dpi.h"

#include <X11/Xlib.h>

namespace platform {

std::string XftDpiQuery::read()
{
    if (display == nullptr)
        display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return {};
    const char* value = XGetDefault(static_cast<Display*>(display), "Xft", "dpi");
    return value != nullptr ? value : "";
}

void XftDpiQuery::close()
{
    if (display != nullptr)
        XCloseDisplay(static_cast<Display*>(display));
    display = nullptr;
}

} // namespace platform
