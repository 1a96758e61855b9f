// The player's state as the media service reports it: the playback status,
// the current track's metadata, shuffle and volume.
#pragma once

#include "audio/playback.h"
#include "platform/mpris_service.h"

#include <cstdint>

// Paused while the pause lamp is lit; playing while the current stream
// plays; stopped otherwise (also before the first track).
platform::PlaybackStatus playbackStatusOf(const PlaybackState& state, bool streamActive);

// Everything a change of which must be published again: cheap enough to
// build and compare in every pass.
struct StatusKey {
    int32_t currentTrack = -1;
    uint32_t trackStartTick = 0;
    platform::PlaybackStatus playback = platform::PlaybackStatus::Stopped;
    uint8_t shuffle = 0;
    float volume = 0.0f;
    bool operator==(const StatusKey&) const = default;
};
StatusKey statusKey(const PlaybackState& state, float volume, bool streamActive);

// The full status: texts from the catalogue (converted to UTF-8), length
// and position from the engine, at `nowMilliseconds`.
void describeStatus(const Player& player, float volume, bool streamActive, uint32_t nowMilliseconds,
                    platform::MediaStatus& out);
