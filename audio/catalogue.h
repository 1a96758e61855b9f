// The fixed list of tracks: 33 rows in playing order and an all-zero end row.
#pragma once

#include "audio/audio_engine.h"

#include <cstdint>

struct TrackEntry {
    StreamHandle stream;     // set at start-up; 0 when the file cannot be opened
    const char* fileName;    // MP3 file, relative to the folder the player plays from
    const char* artist;      // 8-bit Windows-1252 texts
    const char* title;
    const char* link;        // the artist's web address
    const char* infoText;    // an embedded text, or null
    int32_t infoColumns;     // longest line of infoText, in characters
    int32_t infoLineBreaks;  // line feeds in infoText
};

constexpr int kCatalogueRows = 34; // 33 tracks and the end row

struct TrackCatalogue {
    TrackEntry rows[kCatalogueRows];
};

// A fresh catalogue as built into the program (streams and measures zero).
TrackCatalogue makeTrackCatalogue();

// Counts the longest line and the line feeds of the row's infoText; a row
// without one is left unchanged.
void measureInfoText(TrackEntry& row);
