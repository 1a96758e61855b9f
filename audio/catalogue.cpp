#include "audio/catalogue.h"

#include "assets/assets.h"

// Placeholder rows until the real catalogue content lands.
TrackCatalogue makeTrackCatalogue()
{
    static const char* const fileNames[33] = {
        "01_-_placeholder_-_one.mp3",       "02_-_placeholder_-_two.mp3",       "03_-_placeholder_-_three.mp3",
        "04_-_placeholder_-_four.mp3",      "05_-_placeholder_-_five.mp3",      "06_-_placeholder_-_six.mp3",
        "07_-_placeholder_-_seven.mp3",     "08_-_placeholder_-_eight.mp3",     "09_-_placeholder_-_nine.mp3",
        "10_-_placeholder_-_ten.mp3",       "11_-_placeholder_-_eleven.mp3",    "12_-_placeholder_-_twelve.mp3",
        "13_-_placeholder_-_thirteen.mp3",  "14_-_placeholder_-_fourteen.mp3",  "15_-_placeholder_-_fifteen.mp3",
        "16_-_placeholder_-_sixteen.mp3",   "17_-_placeholder_-_seventeen.mp3", "18_-_placeholder_-_eighteen.mp3",
        "19_-_placeholder_-_nineteen.mp3",  "20_-_placeholder_-_twenty.mp3",    "21_-_placeholder_-_twentyone.mp3",
        "22_-_placeholder_-_twentytwo.mp3", "23_-_placeholder_-_twentythree.mp3", "24_-_placeholder_-_twentyfour.mp3",
        "25_-_placeholder_-_twentyfive.mp3", "26_-_placeholder_-_twentysix.mp3", "27_-_placeholder_-_twentyseven.mp3",
        "28_-_placeholder_-_twentyeight.mp3", "29_-_placeholder_-_twentynine.mp3", "30_-_placeholder_-_thirty.mp3",
        "31_-_placeholder_-_thirtyone.mp3", "32_-_placeholder_-_thirtytwo.mp3", "33_-_placeholder_-_thirtythree.mp3",
    };
    const AssetBlob* const texts[15] = {
        &assets::infoText01, &assets::infoText02, &assets::infoText03, &assets::infoText04, &assets::infoText05,
        &assets::infoText06, &assets::infoText07, &assets::infoText08, &assets::infoText09, &assets::infoText10,
        &assets::infoText11, &assets::infoText12, &assets::infoText13, &assets::infoText14, &assets::infoText15,
    };
    TrackCatalogue catalogue{};
    for (int i = 0; i < 33; ++i) {
        TrackEntry& row = catalogue.rows[i];
        row.fileName = fileNames[i];
        row.artist = "Placeholder";
        row.title = fileNames[i] + 16;
        row.link = "https://placeholder.example/";
        row.infoText = texts[i % 15]->text();
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
