#include "platform/x11_cover_watch.h"

namespace platform::x11 {

CoverWatch::~CoverWatch()
{
    if (display != nullptr)
        XCloseDisplay(display);
}

bool CoverWatch::watch(const char* displayName, ::Window window)
{
    display = XOpenDisplay(displayName);
    if (display == nullptr)
        return false;
    XSelectInput(display, window, VisibilityChangeMask);
    XFlush(display);
    return true;
}

bool CoverWatch::covered()
{
    if (display == nullptr)
        return false;
    // One non-blocking read of the connection; only visibility events come.
    while (XEventsQueued(display, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == VisibilityNotify)
            fullyCovered = event.xvisibility.state == VisibilityFullyObscured;
    }
    return fullyCovered;
}

} // namespace platform::x11
