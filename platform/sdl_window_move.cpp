#include "platform/sdl_window_move.h"

#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include "platform/x11_window_move.h"
#endif

namespace platform {

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
Display* asDisplay(void* display) { return static_cast<Display*>(display); }
#endif

} // namespace

SdlWindowMover::SdlWindowMover(SDL_Window* w) : window(w)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
        xDisplay = info.info.x11.display;
        xWindow = info.info.x11.window;
    }
#endif
}

void SdlWindowMover::begin()
{
    dragging = true;
    releaseTaken = false;
    screenRelease = false;
    if (xDisplay != nullptr)
        SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

void SdlWindowMover::noteTakenEvent(const SDL_Event& event)
{
    if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
        releaseTaken = true;
        takenX = event.button.x;
        takenY = event.button.y;
    } else if (event.type == SDL_SYSWMEVENT) {
        noteWindowSystemEvent(event);
    }
}

void SdlWindowMover::noteWindowSystemEvent(const SDL_Event& event)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    const SDL_SysWMmsg* message = event.syswm.msg;
    if (message == nullptr || message->subsystem != SDL_SYSWM_X11 || screenRelease)
        return;
    const XEvent& x = message->msg.x11.event;
    if (x.type == ButtonRelease && x.xbutton.button == Button1) {
        screenRelease = true;
        screenReleaseX = x.xbutton.x_root;
        screenReleaseY = x.xbutton.y_root;
    }
#else
    (void)event;
#endif
}

// Takes them all out of the queue each pass, so that they never pile up in
// front of the events the program reads.
void SdlWindowMover::drainWindowSystemEvents()
{
    SDL_Event events[16];
    int count = 0;
    while ((count = SDL_PeepEvents(events, 16, SDL_GETEVENT, SDL_SYSWMEVENT, SDL_SYSWMEVENT)) > 0) {
        for (int i = 0; i < count; ++i)
            noteWindowSystemEvent(events[i]);
    }
}

bool SdlWindowMover::managerMoves()
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (xDisplay != nullptr)
        return x11::managerMovesWindows(asDisplay(xDisplay));
#endif
    return false;
}

// The first left release still in the queue (events are taken one per pass,
// so it may wait behind others).
bool SdlWindowMover::queuedRelease(int32_t& x, int32_t& y)
{
    if (releaseTaken) {
        x = takenX;
        y = takenY;
        return true;
    }
    SDL_Event queued[32];
    const int count = SDL_PeepEvents(queued, 32, SDL_PEEKEVENT, SDL_MOUSEBUTTONUP, SDL_MOUSEBUTTONUP);
    for (int i = 0; i < count; ++i) {
        if (queued[i].button.button == SDL_BUTTON_LEFT) {
            x = queued[i].button.x;
            y = queued[i].button.y;
            return true;
        }
    }
    return false;
}

PointerSample SdlWindowMover::sample()
{
    PointerSample now;
    now.milliseconds = SDL_GetTicks();
    drainWindowSystemEvents();
    int32_t releaseX = 0, releaseY = 0;
    const bool sdlRelease = queuedRelease(releaseX, releaseY);
    releaseTaken = false;
    bool asked = false;
#if defined(SDL_VIDEO_DRIVER_X11)
    x11::PointerAndWindow seen;
    if (xDisplay != nullptr && x11::queryPointerAndWindow(asDisplay(xDisplay), xWindow, seen)) {
        now.pointerX = seen.pointerX;
        now.pointerY = seen.pointerY;
        now.leftDown = seen.leftDown;
        now.windowX = seen.windowX;
        now.windowY = seen.windowY;
        asked = true;
    }
#endif
    if (!asked) {
        int x = 0, y = 0;
        now.leftDown = (SDL_GetGlobalMouseState(&x, &y) & SDL_BUTTON_LMASK) != 0;
        now.pointerX = x;
        now.pointerY = y;
        SDL_GetWindowPosition(window, &x, &y);
        now.windowX = x;
        now.windowY = y;
    }
    if (screenRelease) {
        now.releaseQueued = true;
        now.releaseX = screenReleaseX;
        now.releaseY = screenReleaseY;
    } else if (sdlRelease) {
        // A release SDL had queued before the drag began watching the
        // server's events: the window has not moved since, so its position
        // places the release.
        now.releaseQueued = true;
        now.releaseX = now.windowX + releaseX;
        now.releaseY = now.windowY + releaseY;
    }
    return now;
}

void SdlWindowMover::moveTo(int32_t x, int32_t y)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    // Not SDL_SetWindowPosition: it waits up to 100 ms for the move to show.
    if (xDisplay != nullptr) {
        x11::moveWindow(asDisplay(xDisplay), xWindow, x, y);
        return;
    }
#endif
    SDL_SetWindowPosition(window, x, y);
}

void SdlWindowMover::handOver(int32_t x, int32_t y)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (xDisplay != nullptr)
        x11::handOverMove(asDisplay(xDisplay), xWindow, x, y);
#else
    (void)x, (void)y;
#endif
}

void SdlWindowMover::callOffMove()
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (xDisplay != nullptr)
        x11::cancelMove(asDisplay(xDisplay), xWindow);
#endif
}

// SDL ignores a press while it believes the button is still down, so a
// release the window manager kept would cost the next click or drag.
void SdlWindowMover::finished(bool releaseSeen)
{
    dragging = false;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (xDisplay == nullptr)
        return;
    SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE); // also drops any still queued
    if (releaseSeen || (SDL_GetMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) == 0)
        return;
    Display* display = asDisplay(xDisplay);
    x11::PointerAndWindow seen;
    int x = 0, y = 0;
    if (x11::queryPointerAndWindow(display, xWindow, seen)) {
        x = seen.pointerX - seen.windowX;
        y = seen.pointerY - seen.windowY;
    }
    x11::sendLeftRelease(display, xWindow, x, y);
#else
    (void)releaseSeen;
#endif
}

} // namespace platform
