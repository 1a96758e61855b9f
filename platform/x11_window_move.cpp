#include "platform/x11_window_move.h"

#include <X11/Xatom.h>

namespace platform::x11 {

namespace {

// _NET_WM_MOVERESIZE arguments.
constexpr long kMoveResizeMove = 8;
constexpr long kMoveResizeCancel = 11;
constexpr long kSourceApplication = 1;

bool lastRequestFailed = false;

int noteError(Display*, XErrorEvent*)
{
    lastRequestFailed = true;
    return 0;
}

// The window id held in a WINDOW property, or 0. A stale id (a window
// manager that died without clearing it) must not end the program with
// Xlib's default error handler, so errors are caught around the read.
unsigned long windowProperty(Display* display, ::Window window, Atom property)
{
    XSync(display, False);
    lastRequestFailed = false;
    auto* previous = XSetErrorHandler(noteError);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    unsigned long value = 0;
    if (XGetWindowProperty(display, window, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &after, &data) ==
            Success &&
        type == XA_WINDOW && format == 32 && count == 1)
        value = *reinterpret_cast<unsigned long*>(data);
    if (data != nullptr)
        XFree(data);
    XSync(display, False);
    XSetErrorHandler(previous);
    return lastRequestFailed ? 0 : value;
}

bool supports(Display* display, Atom feature)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom supported = XInternAtom(display, "_NET_SUPPORTED", False);
    bool found = false;
    if (XGetWindowProperty(display, DefaultRootWindow(display), supported, 0, 4096, False, XA_ATOM, &type, &format,
                           &count, &after, &data) == Success &&
        type == XA_ATOM && format == 32) {
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count && !found; ++i)
            found = atoms[i] == feature;
    }
    if (data != nullptr)
        XFree(data);
    return found;
}

void sendMoveResize(Display* display, ::Window window, int x, int y, long action)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_WM_MOVERESIZE", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = x;
    event.xclient.data.l[1] = y;
    event.xclient.data.l[2] = action;
    event.xclient.data.l[3] = Button1;
    event.xclient.data.l[4] = kSourceApplication;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

} // namespace

bool managerMovesWindows(Display* display)
{
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    const unsigned long child = windowProperty(display, DefaultRootWindow(display), check);
    if (child == 0 || windowProperty(display, child, check) != child)
        return false;
    return supports(display, XInternAtom(display, "_NET_WM_MOVERESIZE", False));
}

bool queryPointerAndWindow(Display* display, ::Window window, PointerAndWindow& out)
{
    ::Window root = 0, child = 0;
    int winX = 0, winY = 0;
    unsigned int buttons = 0;
    if (XQueryPointer(display, window, &root, &child, &out.pointerX, &out.pointerY, &winX, &winY, &buttons) != True)
        return false;
    out.leftDown = (buttons & Button1Mask) != 0;
    return XTranslateCoordinates(display, window, root, 0, 0, &out.windowX, &out.windowY, &child) == True;
}

void moveWindow(Display* display, ::Window window, int x, int y)
{
    XMoveWindow(display, window, x, y);
    XFlush(display);
}

void handOverMove(Display* display, ::Window window, int x, int y)
{
    XUngrabPointer(display, CurrentTime);
    sendMoveResize(display, window, x, y, kMoveResizeMove);
}

void cancelMove(Display* display, ::Window window)
{
    sendMoveResize(display, window, 0, 0, kMoveResizeCancel);
}

void sendLeftRelease(Display* display, ::Window window, int x, int y)
{
    ::Window child = 0;
    XEvent event{};
    event.xbutton.type = ButtonRelease;
    event.xbutton.window = window;
    event.xbutton.root = DefaultRootWindow(display);
    event.xbutton.time = CurrentTime;
    event.xbutton.x = x;
    event.xbutton.y = y;
    XTranslateCoordinates(display, window, event.xbutton.root, x, y, &event.xbutton.x_root, &event.xbutton.y_root,
                          &child);
    event.xbutton.state = Button1Mask;
    event.xbutton.button = Button1;
    event.xbutton.same_screen = True;
    XSendEvent(display, window, False, ButtonReleaseMask, &event);
    XFlush(display);
}

} // namespace platform::x11
