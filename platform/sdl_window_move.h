// The desktop side of dragging an SDL window: asks the X server where SDL
// runs on X11, SDL's global mouse state elsewhere (where no window manager
// hand-over exists either).
#pragma once

#include "platform/window_move.h"

#include <SDL.h>

namespace platform {

class SdlWindowMover : public WindowMover {
public:
    explicit SdlWindowMover(SDL_Window* window);

    // A drag starts: from now on the X server's own button events are
    // watched, for the release's true place on the screen (SDL reports a
    // release at the last motion's position, which a move of the window
    // under a still pointer makes stale).
    void begin() override;
    // The event the window took this pass, which sample() can no longer
    // find in the queue.
    void noteTakenEvent(const SDL_Event& event);
    // From begin() until finished(): the window pumps every pass and does
    // not rest while a drag lasts.
    bool active() const { return dragging; }

    bool managerMoves() override;
    PointerSample sample() override;
    void moveTo(int32_t x, int32_t y) override;
    void handOver(int32_t x, int32_t y) override;
    void callOffMove() override;
    void finished(bool releaseSeen) override;

private:
    void noteWindowSystemEvent(const SDL_Event& event);
    void drainWindowSystemEvents();
    bool queuedRelease(int32_t& x, int32_t& y);

    SDL_Window* window;
    void* xDisplay = nullptr; // Display*, kept opaque so that Xlib's names stay out of here
    unsigned long xWindow = 0;
    bool dragging = false;
    bool releaseTaken = false;
    int32_t takenX = 0, takenY = 0;
    bool screenRelease = false; // the X server's release of this drag was seen
    int32_t screenReleaseX = 0, screenReleaseY = 0;
};

} // namespace platform
