#include "platform/x11_key_watch.h"

#include <X11/extensions/XInput2.h>

namespace platform::x11 {

KeyWatch::~KeyWatch()
{
    if (display != nullptr)
        XCloseDisplay(display);
}

namespace {

bool hasRawEventsForAll(Display* display, int& opcode)
{
    int firstEvent = 0, firstError = 0;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError))
        return false;
    int major = 2, minor = 1;
    return XIQueryVersion(display, &major, &minor) == Success && (major > 2 || (major == 2 && minor >= 1));
}

} // namespace

bool KeyWatch::watch(const char* displayName)
{
    display = XOpenDisplay(displayName);
    if (display == nullptr)
        return false;
    if (!hasRawEventsForAll(display, inputOpcode)) {
        XCloseDisplay(display);
        display = nullptr;
        return false;
    }
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
    XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
    // What is held already, asked after selecting: a change before the
    // answer queues an event that leaves the key as the answer says, and
    // every change after it comes as an event.
    XQueryKeymap(display, reinterpret_cast<char*>(held));
    return true;
}

void KeyWatch::takeChanges()
{
    if (display == nullptr)
        return;
    // One non-blocking read of the connection; only raw key events come.
    while (XEventsQueued(display, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        take(event);
    }
}

void KeyWatch::take(XEvent& event)
{
    XGenericEventCookie& cookie = event.xcookie;
    if (cookie.type != GenericEvent || cookie.extension != inputOpcode || !XGetEventData(display, &cookie))
        return;
    if (cookie.evtype == XI_RawKeyPress || cookie.evtype == XI_RawKeyRelease) {
        const int keycode = static_cast<const XIRawEvent*>(cookie.data)->detail;
        if (keycode >= 0 && keycode < 256) {
            const uint8_t bit = static_cast<uint8_t>(1u << (keycode % 8));
            if (cookie.evtype == XI_RawKeyPress)
                held[keycode / 8] |= bit;
            else
                held[keycode / 8] &= static_cast<uint8_t>(~bit);
        }
    }
    XFreeEventData(display, &cookie);
}

} // namespace platform::x11
