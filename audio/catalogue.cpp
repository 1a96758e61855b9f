#include "audio/catalogue.h"

#include "assets/assets.h"
#include "audio/track_list.h"

TrackCatalogue makeTrackCatalogue()
{
    const AssetBlob* const texts[tracklist::kInfoTextCount] = {
        &assets::infoText01, &assets::infoText02, &assets::infoText03, &assets::infoText04, &assets::infoText05,
        &assets::infoText06, &assets::infoText07, &assets::infoText08, &assets::infoText09, &assets::infoText10,
        &assets::infoText11, &assets::infoText12, &assets::infoText13, &assets::infoText14, &assets::infoText15,
    };
    static_assert(tracklist::kTrackCount + 1 == kCatalogueRows, "33 tracks and the end row");

    // Value-initialised, so the end row is all zero.
    TrackCatalogue catalogue{};
    for (int i = 0; i < tracklist::kTrackCount; ++i) {
        const tracklist::Track& track = tracklist::kTracks[i];
        const tracklist::Artist& artist = tracklist::kArtists[track.artist];
        TrackEntry& row = catalogue.rows[i];
        row.fileName = track.fileName;
        row.artist = artist.name;
        row.title = track.title;
        row.link = artist.link;
        row.infoText = texts[track.infoText]->text();
    }
    return catalogue;
}

void measureInfoText(TrackEntry& row)
{
    if (row.infoText == nullptr)
        return;
    int32_t run = 0, longest = 0, lineFeeds = 0;
    for (const char* p = row.infoText; *p != '\0'; ++p) {
        if (*p == '\n') {
            ++lineFeeds;
            run = 0;
        } else if (*p != '\r') {
            ++run;
            if (run >= longest)
                longest = run;
        }
    }
    row.infoColumns = longest;
    row.infoLineBreaks = lineFeeds;
}
