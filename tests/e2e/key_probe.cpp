// Answers, for each line read, which digit keys are held: first as the key
// watch the player follows has them, then as the X server's key map says.
// It waits (up to two seconds) for the two to agree, since the watch learns
// of a change as the server's event arrives. Digits are printed in order,
// "-" for none. Exits with 1 when the watch cannot start.

#include "platform/x11_key_watch.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

struct DigitKeys {
    unsigned keycodes[10] = {};
    explicit DigitKeys(Display* display)
    {
        for (int digit = 0; digit <= 9; ++digit)
            keycodes[digit] = XKeysymToKeycode(display, XK_0 + digit);
    }
};

template <typename Held>
std::string digitsHeld(const DigitKeys& keys, Held held)
{
    std::string digits;
    for (int digit = 0; digit <= 9; ++digit)
        if (keys.keycodes[digit] != 0 && held(keys.keycodes[digit]))
            digits += static_cast<char>('0' + digit);
    return digits.empty() ? "-" : digits;
}

} // namespace

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "key_probe: no display\n");
        return 1;
    }
    platform::x11::KeyWatch watch;
    if (!watch.watch(DisplayString(display))) {
        std::fprintf(stderr, "key_probe: the key watch did not start\n");
        return 1;
    }
    const DigitKeys keys(display);
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        std::string watched, queried;
        for (int attempt = 0; attempt < 200; ++attempt) {
            watch.takeChanges();
            watched = digitsHeld(keys, [&](unsigned code) { return watch.isHeld(code); });
            char map[32] = {};
            XQueryKeymap(display, map);
            queried = digitsHeld(keys, [&](unsigned code) { return (map[code / 8] & (1 << (code % 8))) != 0; });
            if (watched == queried)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::printf("%s %s\n", watched.c_str(), queried.c_str());
        std::fflush(stdout);
    }
    XCloseDisplay(display);
    return 0;
}
