#include "app/remote_control.h"

void RemoteControl::request(const platform::RemoteRequest& request)
{
    const uint32_t head = head_.load(std::memory_order_relaxed);
    const uint32_t tail = tail_.load(std::memory_order_acquire);
    if (head - tail >= kCapacity)
        return;
    ring_[head % kCapacity] = request;
    head_.store(head + 1, std::memory_order_release);
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

void RemoteControl::publish(const platform::MediaStatus& status)
{
    slots_[writer_] = status;
    const uint8_t previous = middle_.exchange(static_cast<uint8_t>(writer_ | kFresh), std::memory_order_acq_rel);
    writer_ = previous & 3;
}

const platform::MediaStatus& RemoteControl::status()
{
    if ((middle_.load(std::memory_order_relaxed) & kFresh) != 0) {
        const uint8_t previous = middle_.exchange(reader_, std::memory_order_acq_rel);
        reader_ = previous & 3;
    }
    return slots_[reader_];
}
