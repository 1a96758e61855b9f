// How long a stream is and how far it has played, for the desktop's media
// controls: read from what the decoder and the callback publish, so asking
// never waits for either.
#include "audio/mp3_engine.h"

namespace {

constexpr int64_t kOutputRate = 44100;

} // namespace

int64_t Mp3Engine::lengthMicroseconds(StreamHandle handle)
{
    const Slot* slot = find(handle);
    return slot == nullptr ? -1 : slot->lengthUs.load(std::memory_order_relaxed);
}

int64_t Mp3Engine::positionMicroseconds(StreamHandle handle)
{
    const Slot* slot = find(handle);
    if (slot == nullptr)
        return -1;
    return slot->playedFrames.load(std::memory_order_relaxed) * 1000000 / kOutputRate;
}
