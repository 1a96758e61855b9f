// The two hand-offs between the media service's thread and the main loop,
// both without locks: requests travel to the main loop through a ring of
// fixed size, and the status the main loop publishes travels back through
// three buffers, so that neither side ever waits for the other.
#pragma once

#include "platform/mpris_service.h"

#include <atomic>
#include <cstdint>

class RemoteControl : public platform::MediaRemote {
public:
    static constexpr uint32_t kCapacity = 64;

    // The service's thread (one producer). A request that finds the ring
    // full is dropped: the main loop is far behind and a client repeats.
    void request(const platform::RemoteRequest& request) override;
    // The service's thread (one reader): the newest published status.
    const platform::MediaStatus& status() override;

    // The main loop: the oldest waiting request; false when none waits.
    bool take(platform::RemoteRequest& out);
    // The main loop: makes `status` the one the service reads next.
    void publish(const platform::MediaStatus& status);

private:
    platform::RemoteRequest ring_[kCapacity];
    std::atomic<uint32_t> head_{0}; // requests written, by the service
    std::atomic<uint32_t> tail_{0}; // requests taken, by the main loop

    // Slot indexes: the main loop writes into writer_, the service reads
    // reader_, and middle_ holds the third with a flag for a fresh status.
    static constexpr uint8_t kFresh = 4;
    platform::MediaStatus slots_[3];
    std::atomic<uint8_t> middle_{1};
    uint8_t writer_ = 0;
    uint8_t reader_ = 2;
};
