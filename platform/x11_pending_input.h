// Whether an X connection has anything for an event pump to take: events
// Xlib holds already (it moves those a reply arrived with into its queue)
// or bytes waiting on the socket. Asks the kernel once, without waiting,
// where a pump reads the socket several times over even when nothing came.
#pragma once

#include <X11/Xlib.h>

namespace platform::x11 {

bool inputPending(Display* display);

} // namespace platform::x11
