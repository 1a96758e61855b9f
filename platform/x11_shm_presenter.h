// Presentation through X's shared-memory images on a connection of our own.
// The frame is converted into a segment the X server reads from, and the
// next present waits for the server's note that it has read the last one,
// which has almost always come by then. SDL's window surface instead waits
// for a round trip after every present, a sleep and a wake of the player
// each frame. Serves windows of depth 24 (32-bit pixels) and 16 (5-6-5) on
// a server that shares memory with us; anything else keeps SDL's surface.
#pragma once

#include "platform/window.h"

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>

struct SDL_Window;

namespace platform::x11 {

class ShmPresenter {
public:
    ShmPresenter() = default;
    ~ShmPresenter();
    ShmPresenter(const ShmPresenter&) = delete;
    ShmPresenter& operator=(const ShmPresenter&) = delete;

    // Shows `part` of a width x height frame of 0xAARRGGBB pixels (all of
    // it when `part` is null); false, with nothing done, when this way
    // cannot serve the window. The first call decides, once.
    bool present(SDL_Window* window, const uint32_t* frame, int32_t width, int32_t height, const PixelRect* part);

private:
    bool attach(SDL_Window* window, int32_t width, int32_t height);
    bool shareSegment(size_t bytes);
    void awaitRead();
    void release();

    bool decided = false;
    bool usable = false;
    Display* display = nullptr; // ours, not SDL's
    ::Window xWindow = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    XShmSegmentInfo segment{};
    bool attached = false;
    int bitsPerPixel = 0;
    int completionEvent = 0;
    bool reading = false; // the server may still be reading the segment
    int32_t columns = 0, rows = 0;
};

} // namespace platform::x11
