#include "platform/sdl_window.h"

#include "display/pixel_conversion.h"
#include "platform/deep_colour_presenter.h"
#include "platform/display_loss.h"
#include "platform/sdl_key_state.h"
#include "platform/sdl_video_driver.h"
#include "platform/sdl_window_move.h"

#include <SDL.h>
#include <SDL_shape.h>
#include <SDL_syswm.h>

#if defined(SDL_VIDEO_DRIVER_X11)
#include "platform/x11_cover_watch.h"
#include "platform/x11_pending_input.h"
#include "platform/x11_shm_presenter.h"
#include "platform/x11_window_identity.h"
#endif

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

void setIcon(SDL_Window* window, const WindowSpec& spec)
{
    if (spec.iconPixels == nullptr || spec.iconWidth <= 0 || spec.iconHeight <= 0)
        return;
    // SDL copies the icon, so the surface may borrow the caller's pixels.
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(spec.iconPixels), spec.iconWidth,
                                                           spec.iconHeight, 32, spec.iconWidth * 4,
                                                           SDL_PIXELFORMAT_ARGB8888);
    if (icon == nullptr)
        return;
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
}

// The desktop entry's StartupWMClass names this class, so the launcher
// matches the running window to its menu entry.
constexpr const char* kWindowInstance = "quarven2";
constexpr const char* kWindowClass = "Quarven2";

// SDL names both parts of the class after the program and sets one icon size.
void identifyToDesktop(SDL_Window* window, const WindowSpec& spec)
{
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return;
    x11::setWindowClass(info.info.x11.display, info.info.x11.window, kWindowInstance, kWindowClass);
    const IconImage icons[] = {{spec.iconPixels, spec.iconWidth, spec.iconHeight}, spec.largerIcons[0],
                               spec.largerIcons[1]};
    x11::setWindowIcons(info.info.x11.display, info.info.x11.window, icons, 3);
#else
    (void)window, (void)spec;
#endif
}

Key keyOf(SDL_Keycode code)
{
    switch (code) {
    case SDLK_ESCAPE: return Key::Escape;
    case SDLK_SPACE: return Key::Space;
    case SDLK_LEFT: return Key::Left;
    case SDLK_RIGHT: return Key::Right;
    case SDLK_UP: return Key::Up;
    case SDLK_DOWN: return Key::Down;
    case SDLK_s: return Key::S;
    case SDLK_AUDIOPLAY: return Key::MediaPlayPause;
    case SDLK_AUDIOSTOP: return Key::MediaStop;
    case SDLK_AUDIONEXT: return Key::MediaNext;
    case SDLK_AUDIOPREV: return Key::MediaPrevious;
    default: return Key::Other;
    }
}

Event translate(const SDL_Event& e)
{
    Event out;
    switch (e.type) {
    case SDL_MOUSEMOTION:
        out = {EventKind::MouseMove, e.motion.x, e.motion.y};
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT)
            out = {EventKind::LeftPress, e.button.x, e.button.y};
        else if (e.button.button == SDL_BUTTON_RIGHT)
            out = {EventKind::RightPress, e.button.x, e.button.y};
        break;
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT)
            out = {EventKind::LeftRelease, e.button.x, e.button.y};
        break;
    case SDL_KEYDOWN:
        out.kind = EventKind::KeyDown;
        out.key = keyOf(e.key.keysym.sym);
        out.repeat = e.key.repeat != 0;
        break;
    case SDL_MOUSEWHEEL:
        out.kind = EventKind::Wheel;
        out.y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        break;
    case SDL_QUIT: // also the session ending or SIGINT/SIGTERM
        out.kind = EventKind::CloseRequested;
        break;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            out.kind = EventKind::CloseRequested;
        else if (e.window.event == SDL_WINDOWEVENT_MOVED)
            out = {EventKind::Moved, e.window.data1, e.window.data2};
        break;
    default:
        break;
    }
    return out;
}

class SdlWindow : public Window {
public:
    SdlWindow(SDL_Window* w, bool canShape, const WindowSpec& spec)
        : window(w), shaped(canShape), width(spec.width), height(spec.height), keyState(w), windowMover(w)
    {
        SDL_AddEventWatch(noteLostPixels, this);
        watchCover();
    }
    ~SdlWindow() override
    {
        SDL_DelEventWatch(noteLostPixels, this);
        SDL_FreeCursor(handCursor);
        SDL_FreeCursor(arrowCursor);
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    void applyShape(const uint8_t* mask) override;
    void loadCursors() override
    {
        handCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_HAND);
        arrowCursor = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    }
    bool nextEvent(Event& event) override;
    WindowMover& mover() override { return windowMover; }
    void present(const uint32_t* frame) override;
    void presentChanged(const uint32_t* frame, const PixelRect& changed) override;
    KeyState& keys() override { return keyState; }
    int prepareRest(int* descriptors, int max) override;
    bool isVisible() override
    {
        if ((SDL_GetWindowFlags(window) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) != 0)
            return false;
#if defined(SDL_VIDEO_DRIVER_X11)
        return !coverWatch.covered();
#else
        return true;
#endif
    }

    void setTitle(const char* title) override { SDL_SetWindowTitle(window, title); }
    void setCursor(Cursor cursor) override
    {
        SDL_Cursor* wanted = cursor == Cursor::Hand ? handCursor : arrowCursor;
        if (wanted != nullptr && wanted != currentCursor)
            SDL_SetCursor(wanted);
        currentCursor = wanted;
    }
    void minimise() override { SDL_MinimizeWindow(window); }
    void raise() override
    {
        SDL_RestoreWindow(window);
        SDL_RaiseWindow(window);
    }
    void openUrl(const char* url) override
    {
        if (SDL_OpenURL(url) != 0)
            std::fprintf(stderr, "quarven2: cannot open %s: %s\n", url, SDL_GetError());
    }

private:
    // The X server may keep no copy of the window: what was covered, hidden
    // or resized comes back empty, and the next present must send everything.
    // SDL calls this as it queues each event, before the pass takes it.
    static int noteLostPixels(void* self, SDL_Event* e)
    {
        if (e->type == SDL_WINDOWEVENT) {
            const uint8_t what = e->window.event;
            if (what == SDL_WINDOWEVENT_EXPOSED || what == SDL_WINDOWEVENT_SHOWN || what == SDL_WINDOWEVENT_RESTORED ||
                what == SDL_WINDOWEVENT_SIZE_CHANGED || what == SDL_WINDOWEVENT_MAXIMIZED)
                static_cast<SdlWindow*>(self)->wholeFrameDue.store(true, std::memory_order_relaxed);
        }
        return 1;
    }
    void show(const uint32_t* frame, const PixelRect* part);
    bool shouldPump();
    void watchCover()
    {
#if defined(SDL_VIDEO_DRIVER_X11)
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
            x11Display = info.info.x11.display;
            coverWatch.watch(DisplayString(info.info.x11.display), info.info.x11.window);
        }
#endif
    }

    // At most this many passes go by without a pump.
    static constexpr uint32_t kPumpEvery = 8;

    SDL_Window* window;
    bool shaped;
    int32_t width, height;
    SdlKeyState keyState;
    SDL_Cursor* handCursor = nullptr;
    SDL_Cursor* arrowCursor = nullptr;
    SDL_Cursor* currentCursor = nullptr;
    SdlWindowMover windowMover;
    DeepColourPresenter deepColour;
    std::atomic<bool> wholeFrameDue{true};
    uint32_t passesSincePump = 0;
#if defined(SDL_VIDEO_DRIVER_X11)
    Display* x11Display = nullptr; // SDL's connection
    x11::CoverWatch coverWatch;
    x11::ShmPresenter sharedImage;
#endif
    SDL_Surface* lastSurface = nullptr; // SDL makes a new one when the window's size changes
};

void SdlWindow::applyShape(const uint8_t* mask)
{
    bool placed = false;
    if (shaped) {
        SDL_Surface* shape = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
        if (shape != nullptr) {
            for (int32_t y = 0; y < height; ++y) {
                auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(shape->pixels) + y * shape->pitch);
                for (int32_t x = 0; x < width; ++x)
                    row[x] = mask[y * width + x] != 0 ? 0xFF000000u : 0u;
            }
            SDL_WindowShapeMode mode;
            mode.mode = ShapeModeBinarizeAlpha;
            mode.parameters.binarizationCutoff = 1;
            // The first shape also moves the window from its parking place
            // to the position it was created for.
            placed = SDL_SetWindowShape(window, shape, &mode) == 0;
            if (!placed)
                std::fprintf(stderr, "quarven2: the window keeps its rectangle: %s\n", SDL_GetError());
            SDL_FreeSurface(shape);
        }
    }
    if (!placed)
        SDL_SetWindowPosition(window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    SDL_ShowWindow(window);
    SDL_RaiseWindow(window);
}

// A run of pointer motions waiting one behind the other counts as one
// motion to the latest position, as the desktop reports them elsewhere:
// taken one per frame, a fast mouse would queue motions faster than the
// loop consumes them and the hover would fall further and further behind.
void takeLatestMotion(SDL_Event& e)
{
    SDL_Event next;
    while (e.type == SDL_MOUSEMOTION && SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
           next.type == SDL_MOUSEMOTION)
        SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
}

// SDL's pump reads the X connection four times a pass even when nothing
// came, and most passes have nothing: a pass pumps when the connection has
// something, while a drag lasts, and at least every kPumpEvery passes for
// what SDL does in its own time (the quit a signal asks for, the screen
// saver). Events already in SDL's queue are taken either way.
bool SdlWindow::shouldPump()
{
#if defined(SDL_VIDEO_DRIVER_X11)
    if (x11Display != nullptr && !windowMover.active() && ++passesSincePump < kPumpEvery &&
        !x11::inputPending(x11Display))
        return false; // SDL flushes its requests itself; the next pump flushes whatever is left
#endif
    passesSincePump = 0;
    return true;
}

// While a drag lasts, the mover is told of the event taken: the release
// that ends the drag is then out of the queue where it looks.
bool SdlWindow::nextEvent(Event& event)
{
    SDL_Event e;
    const bool taken = shouldPump() ? SDL_PollEvent(&e) != 0
                                    : SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1;
    if (!taken)
        return false;
    takeLatestMotion(e);
    if (windowMover.active())
        windowMover.noteTakenEvent(e);
    event = translate(e);
    return true;
}

int SdlWindow::prepareRest(int* descriptors, int max)
{
    if (windowMover.active() || SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE)
        return -1;
    int count = 0;
#if defined(SDL_VIDEO_DRIVER_X11)
    if (x11Display == nullptr)
        return -1; // no descriptor to wait on: rest only as long as the plain loop sleeps
    XFlush(x11Display); // which may read events too, when the server is slow to take requests
    if (XQLength(x11Display) > 0)
        return -1; // read already; the next pass pumps them
    if (count < max)
        descriptors[count++] = ConnectionNumber(x11Display);
    coverWatch.covered(); // takes what came, so that only new changes end the rest
    if (count < max && coverWatch.descriptor() >= 0)
        descriptors[count++] = coverWatch.descriptor();
#else
    (void)descriptors, (void)max;
    return -1;
#endif
    return count;
}

void SdlWindow::present(const uint32_t* frame)
{
    show(frame, nullptr);
}

void SdlWindow::presentChanged(const uint32_t* frame, const PixelRect& changed)
{
    show(frame, &changed);
}

// Converts the frame, or only `part` of it, into the window surface and
// sends that to the display. A part is shown only over a surface that
// holds the whole of an earlier frame.
void SdlWindow::show(const uint32_t* frame, const PixelRect* part)
{
    if (deepColour.present(window, frame, width, height)) // SDL has no surface at depth 30
        return;
    const bool wholeDue = wholeFrameDue.exchange(false, std::memory_order_relaxed);
#if defined(SDL_VIDEO_DRIVER_X11)
    if (sharedImage.present(window, frame, width, height, wholeDue ? nullptr : part))
        return;
#endif
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    const bool mustLock = surface != nullptr && SDL_MUSTLOCK(surface);
    if (surface == nullptr || (mustLock && SDL_LockSurface(surface) != 0)) {
        // Skip the frame rather than write through a stale address; a whole
        // frame that was due stays due.
        if (wholeDue)
            wholeFrameDue.store(true, std::memory_order_relaxed);
        return;
    }
    const int32_t columns = std::min(surface->w, width);
    const int32_t rows = std::min(surface->h, height);
    SDL_Rect area{0, 0, columns, rows};
    if (part != nullptr && surface == lastSurface && !wholeDue) {
        const SDL_Rect wanted{part->x, part->y, part->width, part->height};
        if (!SDL_IntersectRect(&wanted, &area, &area))
            area = SDL_Rect{0, 0, 0, 0};
    }
    lastSurface = surface;
    const int32_t bytesPerPixel = surface->format->BytesPerPixel;
    PixelTarget target;
    target.pixels = static_cast<uint8_t*>(surface->pixels) + area.y * surface->pitch + area.x * bytesPerPixel;
    target.pitch = surface->pitch;
    target.columns = area.w;
    target.rows = area.h;
    target.bitsPerPixel = surface->format->BitsPerPixel;
    convertPixels(frame + area.y * width + area.x, width, target);
    if (mustLock)
        SDL_UnlockSurface(surface);
    if (area.w > 0 && area.h > 0)
        SDL_UpdateWindowSurfaceRects(window, &area, 1);
}

} // namespace

std::unique_ptr<Window> SdlWindowSystem::openWindow(const WindowSpec& spec, std::string& error)
{
    // Without this SDL_GetWindowSurface recreates the X window for a GL
    // framebuffer, and the new window has lost its shape.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    chooseVideoDriver();
    const bool connected = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    // SDL's connection is open now: closing the scale query's can no longer
    // leave the server without clients (which resets it under SDL's feet).
    dpiQuery.close();
    if (!connected) {
        error = noDisplayReason(SDL_GetError());
        return nullptr;
    }
    endOnDisplayLoss(); // after SDL's set-up, which may install a handler of its own
    const Uint32 flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_HIDDEN;
    SDL_Window* window =
        SDL_CreateShapedWindow(spec.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, spec.width, spec.height, flags);
    const bool shaped = window != nullptr;
    if (window == nullptr) // no shaped windows on this driver: a plain borderless one
        window = SDL_CreateWindow(spec.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, spec.width, spec.height,
                                  flags);
    if (window == nullptr) {
        error = SDL_GetError();
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    setIcon(window, spec);
    identifyToDesktop(window, spec);
    SDL_StopTextInput(); // no text is typed here; spare the event queue
    return std::make_unique<SdlWindow>(window, shaped, spec);
}

std::string SdlWindowSystem::xftDpiSetting() { return dpiQuery.read(); }

} // namespace platform
