#include "audio/playback.h"

#include "audio/title_text.h"

#include <cstdio>

namespace {

// How many of the most recently played rows a shuffle draw avoids.
constexpr int32_t kShuffleRecentRows = 10;

// Runs on the engine's thread: only hand the event to the main loop, which
// owns every other part of the player.
void onTrackEnd(SyncHandle sync, StreamHandle, void* user)
{
    Player& player = *static_cast<Player*>(user);
    player.endedSync.store(sync, std::memory_order_release);
    if (player.wake != nullptr)
        player.wake->wake();
}

bool isTrackRow(const Player& player, int32_t row)
{
    return row >= 0 && row < player.state.trackCount;
}

StreamHandle streamOf(const Player& player, int32_t row)
{
    return player.catalogue.rows[row].stream;
}

void appendToHistory(PlaybackState& state, int32_t row)
{
    if (state.playHistoryCount < kPlayHistorySize) {
        state.playHistory[state.playHistoryCount++] = row;
        return;
    }
    for (int k = 1; k < kPlayHistorySize; ++k)
        state.playHistory[k - 1] = state.playHistory[k];
    state.playHistory[kPlayHistorySize - 1] = row;
}

const char* textOrEmpty(const char* text)
{
    return text != nullptr ? text : "";
}

void nameCurrentTrack(Player& player, const TrackEntry& row)
{
    PlaybackState& state = player.state;
    std::snprintf(state.scrollerText, sizeof state.scrollerText, "%s - %s", textOrEmpty(row.artist),
                  textOrEmpty(row.title));
    if (player.desktop == nullptr)
        return;
    char title[260];
    std::snprintf(title, sizeof title, "[ %s ] - QUARVEN 2 soundtrack", state.scrollerText);
    char utf8Title[sizeof title * 3];
    windows1252ToUtf8(title, utf8Title, sizeof utf8Title);
    player.desktop->setTitle(utf8Title);
}

bool playedRecently(const PlaybackState& state, int32_t row, int32_t recentRows)
{
    for (int32_t k = state.playHistoryCount - recentRows; k < state.playHistoryCount; ++k)
        if (state.playHistory[k] == row)
            return true;
    return false;
}

// A random row that is none of the last ten played. With ten rows or fewer
// that rule could exclude every row and the draw would never end, so only as
// many recent entries are avoided as leave at least one row to draw.
int32_t drawShuffledRow(const PlaybackState& state, RandomDraws& draws)
{
    int32_t recentRows = kShuffleRecentRows;
    if (recentRows > state.playHistoryCount)
        recentRows = state.playHistoryCount;
    if (recentRows > state.trackCount - 1)
        recentRows = state.trackCount - 1;
    int32_t row;
    do
        row = draws.next() % state.trackCount;
    while (playedRecently(state, row, recentRows));
    return row;
}

void advance(Player& player, RandomDraws& draws)
{
    const PlaybackState& state = player.state;
    if (state.trackCount <= 0)
        return;
    if (state.shuffle) {
        playTrack(player, drawShuffledRow(state, draws));
        return;
    }
    const int32_t following = state.currentTrack + 1;
    const bool hasFollowing = isTrackRow(player, following) && player.catalogue.rows[following].artist != nullptr;
    playTrack(player, hasFollowing ? following : 0);
}

} // namespace

bool startAudio(Player& player)
{
    if (player.engine->init())
        return true;
    std::fprintf(stderr,
                 "quarven2: cannot start audio output: %s (to run without a sound card, start with "
                 "SDL_AUDIODRIVER=dummy)\n",
                 player.engine->lastError());
    return false;
}

void openTracks(Player& player)
{
    for (int32_t n = 0; n < kCatalogueRows && player.catalogue.rows[n].fileName != nullptr; ++n) {
        TrackEntry& row = player.catalogue.rows[n];
        row.stream = player.engine->openStream(row.fileName);
        if (row.stream == 0)
            std::fprintf(stderr, "quarven2: cannot open track '%s'; it will play silently\n", row.fileName);
        measureInfoText(row);
        player.state.trackCount = n + 1;
    }
}

void playTrack(Player& player, int32_t row)
{
    if (!isTrackRow(player, row))
        return;
    PlaybackState& state = player.state;
    AudioEngine& engine = *player.engine;
    const bool idle = state.currentTrack == -1;
    TrackEntry& entry = player.catalogue.rows[row];
    // A file that could not be opened may be back (a folder mounted again):
    // try it once more, quietly, before playing the row silently.
    if (entry.stream == 0 && entry.fileName != nullptr)
        entry.stream = engine.openStream(entry.fileName);
    const StreamHandle stream = entry.stream;

    if (!idle)
        engine.stop(streamOf(player, state.currentTrack));
    if (state.paused || idle)
        engine.start();
    if (state.paused && row == state.currentTrack) {
        engine.play(stream, false);
    } else {
        engine.play(stream, true);
        state.trackStartTick = player.clock != nullptr ? player.clock->milliseconds() : 0;
    }
    if (state.endSync != 0)
        engine.removeSync(streamOf(player, state.currentTrack), state.endSync);
    // The old event can no longer fire, so an end still waiting for the main
    // loop belongs to what played before this call and must not advance it.
    player.endedSync.store(0, std::memory_order_relaxed);
    state.endSync = engine.setEndSync(stream, onTrackEnd, &player);
    state.paused = 0;
    state.currentTrack = row;
    appendToHistory(state, row);
    nameCurrentTrack(player, player.catalogue.rows[row]);
}

void nextTrack(Player& player)
{
    advance(player, player.controlDraws);
}

void previousTrack(Player& player)
{
    const PlaybackState& state = player.state;
    if (state.shuffle) {
        nextTrack(player);
        return;
    }
    playTrack(player, state.currentTrack > 0 ? state.currentTrack - 1 : state.trackCount - 1);
}

void togglePause(Player& player)
{
    PlaybackState& state = player.state;
    if (state.currentTrack == -1)
        return;
    if (state.paused) {
        playTrack(player, state.currentTrack);
        return;
    }
    player.engine->stop(streamOf(player, state.currentTrack));
    state.paused = 1;
}

void stopTrack(Player& player)
{
    if (player.state.currentTrack != -1)
        player.engine->stop(streamOf(player, player.state.currentTrack));
}

void toggleShuffle(Player& player)
{
    player.state.shuffle = static_cast<uint8_t>(1 - player.state.shuffle);
}

void setVolume(Player& player, float level)
{
    // The slider gives 0 up to just under 1; anything outside (or NaN) is
    // held to the engine's range rather than wrapped by the conversion.
    double scaled = static_cast<double>(level) * kMaxVolume;
    if (!(scaled > 0.0))
        scaled = 0.0;
    if (scaled > kMaxVolume)
        scaled = kMaxVolume;
    player.engine->setVolume(static_cast<uint32_t>(scaled));
}

bool takeTrackEnd(Player& player)
{
    // Every play sets a new event, so an end raised for an earlier play of
    // the same stream (a restart just after its end) is not this one's.
    const SyncHandle ended = player.endedSync.exchange(0, std::memory_order_acquire);
    if (ended == 0 || ended != player.state.endSync || !isTrackRow(player, player.state.currentTrack))
        return false;
    advance(player, player.endDraws);
    return true;
}

void stopAudio(Player& player)
{
    AudioEngine& engine = *player.engine;
    engine.stopOutput();
    for (int32_t n = 0; n < kCatalogueRows && player.catalogue.rows[n].fileName != nullptr; ++n) {
        engine.stop(player.catalogue.rows[n].stream);
        engine.freeStream(player.catalogue.rows[n].stream);
    }
    engine.freeAll();
    // freeAll waited for any end callback in flight, so nothing writes the
    // hand-off any more; forget the freed handles.
    for (int32_t n = 0; n < player.state.trackCount; ++n)
        player.catalogue.rows[n].stream = 0;
    player.state.endSync = 0;
    player.endedSync.store(0, std::memory_order_relaxed);
}
