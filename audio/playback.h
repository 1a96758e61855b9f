// The player's state machine: which track plays, paused, shuffled, the play
// history, and the texts naming the current track.
#pragma once

#include "audio/audio_engine.h"
#include "audio/catalogue.h"
#include "platform/loop_rest.h"
#include "platform/services.h"

#include <atomic>
#include <cstdint>

// The classic linear congruential generator (state * 214013 + 2531011,
// result bits 16..30), starting at 1, so the draws repeat in every run.
struct RandomDraws {
    uint32_t state = 1;
    int32_t next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int32_t>((state >> 16) & 0x7FFF);
    }
};

constexpr int kPlayHistorySize = 64;

struct PlaybackState {
    int32_t currentTrack = -1;
    uint8_t paused = 0;
    uint8_t shuffle = 0;
    uint32_t trackStartTick = 0;
    SyncHandle endSync = 0;
    char scrollerText[200] = {};
    int32_t playHistory[kPlayHistorySize] = {};
    int32_t playHistoryCount = 0;
    int32_t trackCount = 0;
};

// Everything the playback operations work on. The program owns one.
struct Player {
    PlaybackState state;
    TrackCatalogue catalogue = makeTrackCatalogue();
    AudioEngine* engine = nullptr;
    platform::Clock* clock = nullptr;
    platform::Desktop* desktop = nullptr;
    // Draws caused by the controls and by the end-of-track advance are two
    // separate sequences.
    RandomDraws controlDraws;
    RandomDraws endDraws;
    // The end event of the engine's thread, handed to the main loop: the
    // handle of the event that fired, 0 when none is waiting.
    std::atomic<SyncHandle> endedSync{0};
    // Woken after the hand-off, so that a resting main loop takes it at
    // once; set before the first play, may be null.
    platform::LoopWake* wake = nullptr;
};

// engine, clock and desktop must be set before these are called. Operations
// that need a current track do nothing before the first playTrack, and
// playTrack ignores a row outside 0..trackCount-1.
bool startAudio(Player& player); // false (and a line on stderr) without an output device
void openTracks(Player& player);
void playTrack(Player& player, int32_t row);
void nextTrack(Player& player);      // a control's next (draws from controlDraws)
void previousTrack(Player& player);
void togglePause(Player& player);
void stopTrack(Player& player);
void toggleShuffle(Player& player);
void setVolume(Player& player, float level);
// The main loop's half of the end-of-track advance: if the engine reported
// the end of the current stream, advance (drawing from endDraws). Returns
// whether it advanced.
bool takeTrackEnd(Player& player);
void stopAudio(Player& player);
