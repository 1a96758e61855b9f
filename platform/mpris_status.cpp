#include "platform/mpris_service.h"

#include <cstring>

namespace platform {

int64_t positionAt(const MediaStatus& status, uint32_t nowMilliseconds)
{
    int64_t position = status.positionMicroseconds;
    if (status.playback == PlaybackStatus::Playing) {
        // Unsigned difference: the 32-bit clock may have wrapped in between.
        const uint32_t elapsed = nowMilliseconds - status.publishedAtMilliseconds;
        position += static_cast<int64_t>(elapsed) * 1000;
    }
    if (status.lengthMicroseconds > 0 && position > status.lengthMicroseconds)
        position = status.lengthMicroseconds;
    return position < 0 ? 0 : position;
}

uint32_t changedProperties(const MediaStatus& before, const MediaStatus& after)
{
    uint32_t changed = 0;
    if (before.playback != after.playback)
        changed |= kChangedPlayback;
    if (before.trackRow != after.trackRow || before.lengthMicroseconds != after.lengthMicroseconds ||
        std::strcmp(before.title, after.title) != 0 || std::strcmp(before.artist, after.artist) != 0 ||
        std::strcmp(before.url, after.url) != 0)
        changed |= kChangedMetadata;
    if (before.shuffle != after.shuffle)
        changed |= kChangedShuffle;
    if (before.volume != after.volume)
        changed |= kChangedVolume;
    return changed;
}

} // namespace platform
