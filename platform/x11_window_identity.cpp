#include "platform/x11_window_identity.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <vector>

namespace platform::x11 {

void setWindowClass(Display* display, ::Window window, const char* instance, const char* className)
{
    XClassHint hint;
    hint.res_name = const_cast<char*>(instance);
    hint.res_class = const_cast<char*>(className);
    XSetClassHint(display, window, &hint);
    XFlush(display);
}

void setWindowIcons(Display* display, ::Window window, const IconImage* icons, int count)
{
    // Format 32 properties travel as longs, whatever their width.
    std::vector<unsigned long> data;
    for (int i = 0; i < count; ++i) {
        const IconImage& icon = icons[i];
        if (icon.pixels == nullptr || icon.width <= 0 || icon.height <= 0)
            continue;
        data.push_back(static_cast<unsigned long>(icon.width));
        data.push_back(static_cast<unsigned long>(icon.height));
        const size_t pixels = static_cast<size_t>(icon.width) * static_cast<size_t>(icon.height);
        data.insert(data.end(), icon.pixels, icon.pixels + pixels);
    }
    if (data.empty())
        return;
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    XFlush(display);
}

} // namespace platform::x11
