#include "app/player_status.h"

#include "audio/title_text.h"

namespace {

void copyText(const char* text, char* out, size_t size)
{
    windows1252ToUtf8(text != nullptr ? text : "", out, size);
}

} // namespace

platform::PlaybackStatus playbackStatusOf(const PlaybackState& state, bool streamActive)
{
    if (state.paused != 0)
        return platform::PlaybackStatus::Paused;
    return streamActive ? platform::PlaybackStatus::Playing : platform::PlaybackStatus::Stopped;
}

StatusKey statusKey(const PlaybackState& state, float volume, bool streamActive)
{
    StatusKey key;
    key.currentTrack = state.currentTrack;
    key.trackStartTick = state.trackStartTick;
    key.playback = playbackStatusOf(state, streamActive);
    key.shuffle = state.shuffle;
    key.volume = volume;
    return key;
}

void describeStatus(const Player& player, float volume, bool streamActive, uint32_t nowMilliseconds,
                    platform::MediaStatus& out)
{
    const PlaybackState& state = player.state;
    out = platform::MediaStatus{};
    out.playback = playbackStatusOf(state, streamActive);
    out.shuffle = state.shuffle != 0;
    out.volume = volume;
    out.publishedAtMilliseconds = nowMilliseconds;
    if (state.currentTrack < 0 || state.currentTrack >= state.trackCount)
        return;
    const TrackEntry& row = player.catalogue.rows[state.currentTrack];
    out.trackRow = state.currentTrack;
    copyText(row.title, out.title, sizeof out.title);
    copyText(row.artist, out.artist, sizeof out.artist);
    copyText(row.link, out.url, sizeof out.url);
    if (player.engine == nullptr)
        return;
    const int64_t length = player.engine->lengthMicroseconds(row.stream);
    const int64_t position = player.engine->positionMicroseconds(row.stream);
    out.lengthMicroseconds = length > 0 ? length : 0;
    out.positionMicroseconds = position > 0 ? position : 0;
}
