// How long a stream is and how far it has played, for the desktop's media
// controls. Both take the slots' lock: the audio thread decodes with the
// same decoder.
#include "audio/mp3_engine.h"

#include <mpg123.h>

namespace {

constexpr int64_t kOutputRate = 44100;

} // namespace

int64_t Mp3Engine::lengthMicroseconds(StreamHandle handle)
{
    std::lock_guard lock(mutex_);
    Slot* slot = find(handle);
    if (slot == nullptr || slot->stream->decoder == nullptr || slot->stream->sourceRate <= 0)
        return -1;
    // From the file's own header where it has one, else estimated from its size.
    const off_t frames = mpg123_length(slot->stream->decoder);
    if (frames <= 0)
        return -1;
    return static_cast<int64_t>(frames) * 1000000 / slot->stream->sourceRate;
}

int64_t Mp3Engine::positionMicroseconds(StreamHandle handle)
{
    std::lock_guard lock(mutex_);
    const Slot* slot = find(handle);
    if (slot == nullptr)
        return -1;
    return slot->stream->outputFrames * 1000000 / kOutputRate;
}
