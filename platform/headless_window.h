// A window system without a screen, for tests: it replays a script of
// events, one per pass, records every call in a shared log and keeps the
// frames it was asked to present.
#pragma once

#include "platform/headless_window_move.h"
#include "platform/window.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace platform {

class HeadlessKeys : public KeyState {
public:
    bool down[10] = {};
    bool isDigitDown(int digit) override { return digit >= 0 && digit <= 9 && down[digit]; }
};

// The observable side of the headless window; it outlives the window so that
// a test can inspect it after the program has shut down.
struct HeadlessRecord {
    // Events handed out one per nextEvent call. An entry of kind Other stands
    // for a pass without an event. When the script runs dry the window
    // reports itself destroyed, so a run always ends.
    std::deque<Event> script;
    // "open", "shape", "cursors", "cursor hand", "title ...", "present",
    // "destroy", ... in call order. Tests may share this vector
    // with other recording stand-ins to see one combined order.
    std::vector<std::string>* log = nullptr;
    bool failOpen = false;
    std::string openError = "no display (headless stand-in)";
    WindowSpec spec;
    std::vector<uint8_t> mask;
    std::vector<uint32_t> lastFrame;
    int presentCount = 0;
    // Presents that named only a changed rectangle, and the last one named.
    int partialPresentCount = 0;
    PixelRect lastChanged;
    int eventsTaken = 0;
    bool open = false;
    bool visible = true; // tests hide the window by clearing it
    HeadlessKeys keys;
    // What the program moves the window with while it follows a drag; its
    // log records the drag's begin and moves.
    HeadlessWindowMover mover;
    // Called with each presented frame, before it is recorded.
    std::function<void(const uint32_t* frame)> onPresent;

    void note(const std::string& line)
    {
        if (log != nullptr)
            log->push_back(line);
    }
};

class HeadlessWindowSystem : public WindowSystem {
public:
    HeadlessRecord record;
    std::unique_ptr<Window> openWindow(const WindowSpec& spec, std::string& error) override;
};

} // namespace platform
