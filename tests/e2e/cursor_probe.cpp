// Says which cursor the X server shows now: "hand", "arrow" or "other".
// The server's current cursor image (XFixes) is compared with the images of
// the standard hand and arrow cursors, which this probe shows for a moment
// on a tiny window of its own under the pointer, so no cursor theme or
// cursor name is needed.

#include <X11/Xlib.h>
#include <X11/cursorfont.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct CursorLook {
    int width = 0;
    int height = 0;
    int xhot = 0;
    int yhot = 0;
    std::vector<unsigned long> pixels;
    bool operator==(const CursorLook&) const = default;
};

CursorLook currentCursor(Display* display)
{
    CursorLook look;
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (image == nullptr)
        return look;
    look.width = image->width;
    look.height = image->height;
    look.xhot = image->xhot;
    look.yhot = image->yhot;
    look.pixels.assign(image->pixels, image->pixels + size_t(image->width) * image->height);
    XFree(image);
    return look;
}

// The look of a font cursor: shown on a 1 x 1 window under the pointer.
CursorLook fontCursorLook(Display* display, unsigned int shape)
{
    Window root = DefaultRootWindow(display);
    Window rootReturn, child;
    int x = 0, y = 0, wx = 0, wy = 0;
    unsigned int mask = 0;
    XQueryPointer(display, root, &rootReturn, &child, &x, &y, &wx, &wy, &mask);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    Cursor cursor = XCreateFontCursor(display, shape);
    attributes.cursor = cursor;
    Window probe = XCreateWindow(display, root, x, y, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent,
                                 CWOverrideRedirect | CWCursor, &attributes);
    XMapRaised(display, probe);
    XSync(display, False);
    CursorLook look = currentCursor(display);
    XDestroyWindow(display, probe);
    XFreeCursor(display, cursor);
    XSync(display, False);
    return look;
}

} // namespace

int main()
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fputs("cursor_probe: no display\n", stderr);
        return 2;
    }
    int eventBase = 0, errorBase = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase)) {
        std::fputs("cursor_probe: the server has no XFixes\n", stderr);
        return 2;
    }
    const CursorLook now = currentCursor(display);
    const CursorLook hand = fontCursorLook(display, XC_hand2);
    const CursorLook arrow = fontCursorLook(display, XC_left_ptr);
    XCloseDisplay(display);
    std::puts(now == hand ? "hand" : now == arrow ? "arrow" : "other");
    return 0;
}
