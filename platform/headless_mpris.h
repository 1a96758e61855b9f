// The media service without a bus, for tests: a test calls what a bus
// client would, and sees which property changes the service would announce.
#pragma once

#include "platform/mpris_service.h"

#include <vector>

namespace platform {

class HeadlessMediaService : public MediaService {
public:
    explicit HeadlessMediaService(MediaRemote& remote) : remote_(remote) {}

    // A method call or property write of a client, as the bus thread hands
    // it on. Safe from one thread other than the player's.
    bool call(const RemoteRequest& request) { return remote_.request(request); }
    // Records the changes since the last announcement, as the real service
    // would announce them. Reads the status: call it from one thread only.
    void statusChanged() override;

    // One entry per announcement: a set of ChangedProperty bits.
    std::vector<uint32_t> announced;
    // What clients see now.
    MediaStatus properties;

private:
    MediaRemote& remote_;
};

} // namespace platform
