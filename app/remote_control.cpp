#include "app/remote_control.h"

#include <algorithm>
#include <cmath>

bool RemoteControl::request(const platform::RemoteRequest& request)
{
    const uint32_t head = head_.load(std::memory_order_relaxed);
    for (;;) {
        const uint32_t room = room_.load(std::memory_order_acquire);
        if (head - tail_.load(std::memory_order_acquire) < kCapacity)
            break;
        if (closed_.load(std::memory_order_acquire))
            return false;
        if (wake_ != nullptr)
            wake_->wake();
        room_.wait(room, std::memory_order_acquire);
    }
    if (closed_.load(std::memory_order_acquire))
        return false;
    ring_[head % kCapacity] = request;
    noteWrite(request, head);
    head_.store(head + 1, std::memory_order_release);
    if (wake_ != nullptr)
        wake_->wake();
    return true;
}

bool RemoteControl::take(platform::RemoteRequest& out)
{
    const uint32_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire))
        return false;
    out = ring_[tail % kCapacity];
    tail_.store(tail + 1, std::memory_order_release);
    return true;
}

void RemoteControl::noteRoom()
{
    room_.fetch_add(1, std::memory_order_release);
    room_.notify_all(); // no system call unless the service waits
}

void RemoteControl::close()
{
    closed_.store(true, std::memory_order_release);
    noteRoom();
}

void RemoteControl::publish(const platform::MediaStatus& status)
{
    slots_[writer_] = status;
    publishedTail_ = tail_.load(std::memory_order_relaxed);
    slots_[writer_].requestsTaken = publishedTail_;
    const uint8_t previous = middle_.exchange(static_cast<uint8_t>(writer_ | kFresh), std::memory_order_acq_rel);
    writer_ = previous & 3;
}

// The value the player will hold once it carried the write out, as the
// main loop computes it (a NaN volume changes nothing).
void RemoteControl::noteWrite(const platform::RemoteRequest& request, uint32_t number)
{
    if (request.command == platform::RemoteCommand::SetVolume && !std::isnan(request.value))
        volumeWrite_ = {true, number, static_cast<double>(static_cast<float>(std::clamp(request.value, 0.0, 1.0)))};
    else if (request.command == platform::RemoteCommand::SetShuffle)
        shuffleWrite_ = {true, number, request.value != 0.0 ? 1.0 : 0.0};
}

// Numbers wrap, so they are compared by their difference.
bool RemoteControl::stillWaiting(PendingWrite& write, uint32_t takenWhenPublished)
{
    if (write.waiting && static_cast<int32_t>(write.number - takenWhenPublished) < 0)
        write.waiting = false;
    return write.waiting;
}

const platform::MediaStatus& RemoteControl::status()
{
    if ((middle_.load(std::memory_order_relaxed) & kFresh) != 0) {
        const uint8_t previous = middle_.exchange(reader_, std::memory_order_acq_rel);
        reader_ = previous & 3;
    }
    const platform::MediaStatus& published = slots_[reader_];
    const bool volumeWaits = stillWaiting(volumeWrite_, published.requestsTaken);
    const bool shuffleWaits = stillWaiting(shuffleWrite_, published.requestsTaken);
    if (!volumeWaits && !shuffleWaits)
        return published;
    shown_ = published;
    if (volumeWaits)
        shown_.volume = volumeWrite_.value;
    if (shuffleWaits)
        shown_.shuffle = shuffleWrite_.value != 0.0;
    return shown_;
}
