#include "tests/support/recording_playback.h"

PlaybackRecord& playbackRecord()
{
    static PlaybackRecord record;
    return record;
}

void resetPlaybackRecord() { playbackRecord() = PlaybackRecord{}; }

namespace {
void note(const std::string& call) { playbackRecord().calls.push_back(call); }
} // namespace

// Every operation of the playback header is defined here, so that nothing
// pulls the real implementation into a test that links this stand-in.
bool startAudio(Player&) { return note("startAudio"), true; }
void openTracks(Player&) { note("openTracks"); }
void playTrack(Player&, int32_t row) { note("playTrack " + std::to_string(row)); }
void nextTrack(Player&) { note("nextTrack"); }
void previousTrack(Player&) { note("previousTrack"); }
void togglePause(Player&) { note("togglePause"); }
void stopTrack(Player&) { note("stopTrack"); }
void toggleShuffle(Player&) { note("toggleShuffle"); }
void setVolume(Player&, float level)
{
    note("setVolume");
    playbackRecord().lastVolume = level;
}
bool takeTrackEnd(Player&) { return note("takeTrackEnd"), false; }
void stopAudio(Player&) { note("stopAudio"); }
