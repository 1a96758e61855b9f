// The one window of the program: its events, its outline, its presentation
// and the desktop services that act on it. The SDL backend drives a real
// window; the headless backend records what it is asked, for tests.
#pragma once

#include "platform/services.h"
#include "platform/window_move.h"

#include <cstdint>
#include <memory>
#include <string>

namespace platform {

enum class EventKind : uint8_t {
    Other,          // anything the program does not react to
    MouseMove,      // x, y: pointer in window pixels (may lie outside it)
    LeftPress,      // x, y as above
    LeftRelease,    // x, y as above
    RightPress,     // x, y as above
    KeyDown,        // key
    CloseRequested, // the user or the session asks the window to close
    Destroyed,      // the window is gone
    Moved,          // x, y: the window's new position on the screen
    Wheel,          // y: notches turned, positive away from the user
};

// The keys the player reacts to; the media keys are the keyboard's
// play/pause, stop, next and previous keys.
enum class Key : uint8_t {
    Escape,
    Other,
    Space,
    Left,
    Right,
    Up,
    Down,
    S,
    MediaPlayPause,
    MediaStop,
    MediaNext,
    MediaPrevious,
};

struct Event {
    EventKind kind = EventKind::Other;
    int32_t x = 0;
    int32_t y = 0;
    Key key = Key::Other;
    bool repeat = false; // a key down repeated while the key is held
};

// A rectangle of window pixels.
struct PixelRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// One size of the window's icon: 0xAARRGGBB, rows without gaps.
struct IconImage {
    const uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};

// What the window is created with. The icon is 0xAARRGGBB, rows without gaps.
struct WindowSpec {
    int32_t width = 0;
    int32_t height = 0;
    const char* title = "";
    const uint32_t* iconPixels = nullptr;
    int32_t iconWidth = 0;
    int32_t iconHeight = 0;
    // The same icon drawn larger, for docks and dense screens; the desktop
    // picks the size it shows. Entries without pixels are skipped.
    IconImage largerIcons[2];
};

class Window : public Desktop {
public:
    // Gives the window its outline (width x height bytes, non-zero = shown)
    // and shows it. Where outlines are not supported the window stays
    // rectangular.
    virtual void applyShape(const uint8_t* mask) = 0;
    // Loads the cursors that setCursor switches between.
    virtual void loadCursors() = 0;
    // Takes at most one pending event; false when none is waiting. While a
    // drag lasts, the event taken is noted for the mover, which can no
    // longer find it waiting.
    virtual bool nextEvent(Event& event) = 0;
    // What the program moves the window with while it follows a drag, from
    // the mover's begin() to its finished(). While a drag lasts the window
    // reads the desktop's events every pass and never lets the loop rest.
    virtual WindowMover& mover() = 0;
    // Shows a width x height frame of 0xAARRGGBB pixels (the window's size),
    // converted to the display's format.
    virtual void present(const uint32_t* frame) = 0;
    // Shows the frame like present when only the pixels inside `changed`
    // differ from the frame presented last: a window that keeps what it
    // showed sends that part alone. Anything may still show the whole frame.
    virtual void presentChanged(const uint32_t* frame, const PixelRect& changed)
    {
        (void)changed;
        present(frame);
    }
    // The digit keys as the effects see them.
    virtual KeyState& keys() = 0;
    // False while the window is minimised or hidden: nothing drawn would
    // be seen.
    virtual bool isVisible() { return true; }
    // Before the loop rests: sends what is still buffered for the display
    // and puts the descriptors whose input ends the rest into `descriptors`
    // (at most `max`), returning their count; -1 when the loop must not
    // rest now (events are already waiting, or a drag is being followed).
    virtual int prepareRest(int* descriptors, int max)
    {
        (void)descriptors, (void)max;
        return 0;
    }
};

// Opens windows. A null result comes with a one-line reason in `error`.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;
    virtual std::unique_ptr<Window> openWindow(const WindowSpec& spec, std::string& error) = 0;
};

} // namespace platform
