// Prints one line per catalogue row: its file name, a tab, and the window
// title the player shows while that row plays (UTF-8), so the end-to-end
// tests can tell which track the window names.

#include "audio/catalogue.h"
#include "audio/title_text.h"

#include <cstdio>
#include <string>

int main()
{
    const TrackCatalogue catalogue = makeTrackCatalogue();
    for (const TrackEntry& row : catalogue.rows) {
        if (row.fileName == nullptr)
            break;
        const std::string title = std::string("[ ") + row.artist + " - " + row.title + " ] - QUARVEN 2 soundtrack";
        char utf8[sizeof(char) * 3 * 300];
        windows1252ToUtf8(title.c_str(), utf8, sizeof utf8);
        std::printf("%s\t%s\n", row.fileName, utf8);
    }
    return 0;
}
