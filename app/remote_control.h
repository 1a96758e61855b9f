// The two hand-offs between the media service's thread and the main loop:
// requests travel to the main loop through a ring of fixed size, and the
// status the main loop publishes travels back through three buffers. The
// main loop never waits for the service; the service waits for room only
// while the ring is full, which the main loop empties every pass.
#pragma once

#include "platform/loop_rest.h"
#include "platform/mpris_service.h"

#include <atomic>
#include <cstdint>

class RemoteControl : public platform::MediaRemote {
public:
    static constexpr uint32_t kCapacity = 64;

    // Set before the service starts: what wakes a resting main loop when a
    // request arrives. Null: the loop does not rest.
    void wakeWith(platform::LoopWake* wake) { wake_ = wake; }

    // The service's thread (one producer). A burst larger than the ring
    // waits for the main loop to take what came before, so that nothing a
    // client was answered for is lost. False once the main loop stopped
    // taking requests.
    bool request(const platform::RemoteRequest& request) override;
    // The service's thread (one reader): the newest published status, with
    // the property writes the main loop has not carried out yet, so that a
    // client reads back what it wrote.
    const platform::MediaStatus& status() override;

    // The main loop: the oldest waiting request; false when none waits.
    bool take(platform::RemoteRequest& out);
    // The main loop, after a pass took requests: a service waiting for room
    // goes on.
    void noteRoom();
    // The main loop, when it takes no more requests: a waiting service and
    // every later request give up.
    void close();
    // The main loop: makes `status` the one the service reads next. It must
    // reflect every request taken so far.
    void publish(const platform::MediaStatus& status);
    // The main loop: whether requests were taken since the last publish.
    bool takenSincePublish() const { return tail_.load(std::memory_order_relaxed) != publishedTail_; }

private:
    // A property write on its way to the main loop: request number `number`.
    struct PendingWrite {
        bool waiting = false;
        uint32_t number = 0;
        double value = 0.0;
    };
    void noteWrite(const platform::RemoteRequest& request, uint32_t number);
    static bool stillWaiting(PendingWrite& write, uint32_t takenWhenPublished);

    platform::RemoteRequest ring_[kCapacity];
    std::atomic<uint32_t> head_{0}; // requests written, by the service
    std::atomic<uint32_t> tail_{0}; // requests taken, by the main loop
    std::atomic<uint32_t> room_{0}; // counts the main loop's notes of room
    std::atomic<bool> closed_{false};
    platform::LoopWake* wake_ = nullptr;
    uint32_t publishedTail_ = 0; // the main loop's

    // Slot indexes: the main loop writes into writer_, the service reads
    // reader_, and middle_ holds the third with a flag for a fresh status.
    static constexpr uint8_t kFresh = 4;
    platform::MediaStatus slots_[3];
    std::atomic<uint8_t> middle_{1};
    uint8_t writer_ = 0;
    uint8_t reader_ = 2;

    // The service's thread only: writes not yet seen in a published status,
    // and the status shown with them.
    PendingWrite volumeWrite_;
    PendingWrite shuffleWrite_;
    platform::MediaStatus shown_;
};
