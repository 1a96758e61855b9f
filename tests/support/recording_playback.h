// A stand-in for the playback operations: each call is recorded as a line of
// text (with its argument) instead of driving an audio engine. Link
// recording_playback.cpp instead of the real playback into a test.
#pragma once

#include "audio/playback.h"

#include <string>
#include <vector>

struct PlaybackRecord {
    std::vector<std::string> calls;
    float lastVolume = -1.0f;
};

// The calls made since the last reset, in order.
PlaybackRecord& playbackRecord();
void resetPlaybackRecord();
