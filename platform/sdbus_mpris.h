// The desktop's media player service (MPRIS2) on the session bus, through
// sdbus-c++. Bus requests arrive on the service's own thread and go to the
// player as requests; property reads are answered from its published status.
#pragma once

#include "platform/mpris_service.h"

#include <memory>
#include <string>

namespace platform {

// Connects to the session bus, takes the player's name (or, when another
// player holds it, the name with ".instance<pid>"), and starts serving.
// Null, with a one-line reason in `error`, when there is no session bus or
// no name can be had.
std::unique_ptr<MediaService> openSessionBusMedia(MediaRemote& remote, std::string& error);

} // namespace platform
