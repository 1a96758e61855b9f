// Whether the X server reports the window fully covered by other windows,
// so that nothing is drawn that nobody can see. SDL does not pass
// visibility on, so a connection of our own asks for it: the server sends
// visibility changes to every client that selects them. Under a compositing
// manager windows are never reported covered, and nothing changes.
#pragma once

#include <X11/Xlib.h>

namespace platform::x11 {

class CoverWatch {
public:
    CoverWatch() = default;
    ~CoverWatch();
    CoverWatch(const CoverWatch&) = delete;
    CoverWatch& operator=(const CoverWatch&) = delete;

    // Watches `window` on the display named `displayName`; false (and never
    // covered) when the display cannot be opened.
    bool watch(const char* displayName, ::Window window);
    // Takes the changes that arrived since the last call (without waiting);
    // true while the whole window is covered.
    bool covered();
    // The connection's descriptor, readable when a change arrives; -1
    // without one.
    int descriptor() const { return display != nullptr ? ConnectionNumber(display) : -1; }

private:
    Display* display = nullptr;
    bool fullyCovered = false;
};

} // namespace platform::x11
