#include "platform/x11_pending_input.h"

#include <poll.h>

namespace platform::x11 {

bool inputPending(Display* display)
{
    if (XQLength(display) > 0)
        return true;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};
    return poll(&connection, 1, 0) != 0; // an error too: let the pump find out what it is
}

} // namespace platform::x11
