// The keys held anywhere on the desktop, kept from the X server's raw key
// events on a connection of our own. The server sends those as keys go down
// and up, whichever window has the keyboard, so a pass reads what arrived
// instead of asking the server every frame (a round trip, and a wake of the
// server each time). Raw events that ignore the keyboard's focus and grabs
// need XInput 2.1; without it, watch() fails and the caller asks the server.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

namespace platform::x11 {

class KeyWatch {
public:
    KeyWatch() = default;
    ~KeyWatch();
    KeyWatch(const KeyWatch&) = delete;
    KeyWatch& operator=(const KeyWatch&) = delete;

    // Watches the keyboard of the display named `displayName`; false when
    // the display cannot be opened or lacks XInput 2.1.
    bool watch(const char* displayName);
    // Takes the changes that arrived since the last call, without waiting.
    void takeChanges();
    // Whether the key with `keycode` was held at the last change taken.
    bool isHeld(unsigned keycode) const { return keycode < 256 && (held[keycode / 8] & (1u << (keycode % 8))) != 0; }

private:
    void take(XEvent& event);

    Display* display = nullptr;
    int inputOpcode = 0;
    uint8_t held[32] = {}; // a bit per key code, laid out as XQueryKeymap gives them
};

} // namespace platform::x11
