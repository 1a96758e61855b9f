#include "platform/x11_shm_presenter.h"

#include "display/pixel_conversion.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>

namespace platform::x11 {

namespace {

// The pixel layouts the conversion writes, as X describes them.
int convertibleBits(const XVisualInfo& visual, int depth, int bitsPerPixel)
{
    if (depth == 24 && bitsPerPixel == 32 && visual.red_mask == 0xFF0000ul && visual.green_mask == 0xFF00ul
        && visual.blue_mask == 0xFFul)
        return 32;
    if (depth == 16 && bitsPerPixel == 16 && visual.red_mask == 0xF800ul && visual.green_mask == 0x7E0ul
        && visual.blue_mask == 0x1Ful)
        return 16;
    return 0;
}

int pixmapBits(Display* display, int depth)
{
    int count = 0;
    XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
    int bits = 0;
    for (int i = 0; i < count; ++i)
        if (formats[i].depth == depth)
            bits = formats[i].bits_per_pixel;
    if (formats != nullptr)
        XFree(formats);
    return bits;
}

// A server that cannot reach our memory (one on another machine, say)
// refuses the segment with an error, which must not end the program.
bool refused = false;
int noteRefusal(Display*, XErrorEvent*)
{
    refused = true;
    return 0;
}

} // namespace

ShmPresenter::~ShmPresenter()
{
    release();
}

void ShmPresenter::release()
{
    if (display == nullptr)
        return;
    if (attached)
        XShmDetach(display, &segment);
    if (image != nullptr) {
        image->data = nullptr; // the segment is ours to release, not Xlib's
        XDestroyImage(image);
    }
    if (gc != nullptr)
        XFreeGC(display, gc);
    XCloseDisplay(display); // waits for the server, so it has let go of the segment
    if (segment.shmaddr != nullptr)
        shmdt(segment.shmaddr);
    display = nullptr;
    image = nullptr;
    gc = nullptr;
    attached = false;
    segment = XShmSegmentInfo{};
}

bool ShmPresenter::shareSegment(size_t bytes)
{
    segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment.shmid < 0)
        return false;
    void* address = shmat(segment.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(segment.shmid, IPC_RMID, nullptr);
        return false;
    }
    segment.shmaddr = static_cast<char*>(address);
    segment.readOnly = False;
    refused = false;
    XErrorHandler previous = XSetErrorHandler(noteRefusal);
    attached = XShmAttach(display, &segment) != 0;
    XSync(display, False);
    XSetErrorHandler(previous);
    attached = attached && !refused;
    // Marked for removal now, the segment goes when the last of us and the
    // server lets go of it, however the program ends.
    shmctl(segment.shmid, IPC_RMID, nullptr);
    return attached;
}

bool ShmPresenter::attach(SDL_Window* window, int32_t width, int32_t height)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return false;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) == 0)
        return false;
    display = XOpenDisplay(DisplayString(info.info.x11.display));
    if (display == nullptr || !XShmQueryExtension(display))
        return false;
    XVisualInfo wanted{};
    wanted.visualid = XVisualIDFromVisual(attributes.visual);
    int count = 0;
    XVisualInfo* visual = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
    if (visual == nullptr)
        return false;
    bitsPerPixel = convertibleBits(*visual, attributes.depth, pixmapBits(display, attributes.depth));
    if (bitsPerPixel != 0)
        image = XShmCreateImage(display, visual->visual, static_cast<unsigned>(attributes.depth), ZPixmap, nullptr,
                                &segment, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFree(visual);
    if (image == nullptr || image->byte_order != LSBFirst)
        return false;
    if (!shareSegment(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height)))
        return false;
    image->data = segment.shmaddr;
    xWindow = info.info.x11.window;
    gc = XCreateGC(display, xWindow, 0, nullptr);
    completionEvent = XShmGetEventBase(display) + ShmCompletion;
    columns = std::min(width, attributes.width);
    rows = std::min(height, attributes.height);
    return true;
}

// The server's note comes as an event on our connection; nothing else is
// selected on it. A request the server refused sends no note, so the wait
// ends after a while, and a lost server ends the program through Xlib.
void ShmPresenter::awaitRead()
{
    constexpr int kLongestWaitMs = 100;
    while (reading) {
        if (XPending(display) == 0) {
            pollfd connection{ConnectionNumber(display), POLLIN, 0};
            if (poll(&connection, 1, kLongestWaitMs) <= 0)
                reading = false;
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == completionEvent)
            reading = false;
    }
}

bool ShmPresenter::present(SDL_Window* window, const uint32_t* frame, int32_t width, int32_t height,
                           const PixelRect* part)
{
    if (!decided) {
        decided = true;
        usable = attach(window, width, height);
        if (!usable)
            release(); // SDL's surface serves; nothing of ours stays open
    }
    if (!usable)
        return false;
    PixelRect area{0, 0, columns, rows};
    if (part != nullptr) {
        const int32_t right = std::min(part->x + part->width, columns), bottom = std::min(part->y + part->height, rows);
        area.x = std::max(part->x, 0);
        area.y = std::max(part->y, 0);
        area.width = std::max(right - area.x, 0);
        area.height = std::max(bottom - area.y, 0);
    }
    if (area.width == 0 || area.height == 0)
        return true;
    awaitRead();
    PixelTarget target;
    target.pixels = reinterpret_cast<uint8_t*>(image->data) + area.y * image->bytes_per_line + area.x * bitsPerPixel / 8;
    target.pitch = image->bytes_per_line;
    target.columns = area.width;
    target.rows = area.height;
    target.bitsPerPixel = bitsPerPixel;
    convertPixels(frame + area.y * width + area.x, width, target);
    XShmPutImage(display, xWindow, gc, image, area.x, area.y, area.x, area.y, static_cast<unsigned>(area.width),
                 static_cast<unsigned>(area.height), True);
    XFlush(display);
    reading = true;
    return true;
}

} // namespace platform::x11
