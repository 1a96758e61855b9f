#include "platform/deep_colour_presenter.h"

#include "display/pixel_conversion.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform {

namespace {

constexpr int kDeepDepth = 30;

bool isRedHigh2101010(const Visual* visual)
{
    return visual != nullptr && visual->red_mask == 0x3FF00000ul && visual->green_mask == 0x000FFC00ul
        && visual->blue_mask == 0x000003FFul;
}

} // namespace

DeepColourPresenter::~DeepColourPresenter()
{
    if (image != nullptr) {
        image->data = nullptr; // the pixels are ours, not Xlib's to free
        XDestroyImage(image);
    }
}

bool DeepColourPresenter::attach(SDL_Window* window, int32_t width, int32_t height)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11)
        return false;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes) == 0
        || attributes.depth != kDeepDepth || !isRedHigh2101010(attributes.visual))
        return false;
    // The screen's own graphics context fits a window of the screen's depth
    // and is the server's to free: nothing here talks to the display when
    // the window goes.
    if (DefaultDepthOfScreen(attributes.screen) != kDeepDepth)
        return false;
    display = info.info.x11.display;
    xWindow = info.info.x11.window;
    pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    image = XCreateImage(display, attributes.visual, kDeepDepth, ZPixmap, 0, reinterpret_cast<char*>(pixels.data()),
                         static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
    gc = DefaultGCOfScreen(attributes.screen);
    return image != nullptr;
}

bool DeepColourPresenter::present(SDL_Window* window, const uint32_t* frame, int32_t width, int32_t height)
{
    if (!decided) {
        decided = true;
        usable = attach(window, width, height);
    }
    if (!usable)
        return false;
    PixelTarget target;
    target.pixels = reinterpret_cast<uint8_t*>(pixels.data());
    target.pitch = width * 4;
    target.columns = width;
    target.rows = height;
    target.bitsPerPixel = kDeepDepth;
    convertPixels(frame, width, target);
    XPutImage(display, xWindow, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(display);
    return true;
}

} // namespace platform
