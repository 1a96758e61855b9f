#include "audio/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>

namespace {

TrackEntry measured(const char* text)
{
    TrackEntry row{};
    row.infoText = text;
    row.infoColumns = -7;
    row.infoLineBreaks = -7;
    measureInfoText(row);
    return row;
}

TEST(MeasureInfoText, CountsTheLongestLineAndTheLineFeeds)
{
    struct Case {
        const char* text;
        int32_t columns;
        int32_t lineBreaks;
    };
    const Case cases[] = {
        {"ab\r\ncde", 3, 1},          // the last line, without a line feed, counts for columns only
        {"ab\r\ncde\r\n", 3, 2},
        {"\r\n\r\n", 0, 2},
        {"a", 1, 0},
        {"a\tb", 3, 0},               // a tab is one column
        {"", 0, 0},
        {"\xE9t\xE9", 3, 0},          // bytes above 127 are one column each
        {"abcd\nab\r\r\rc", 4, 1},    // carriage returns anywhere are ignored
        {"ab\ncd", 2, 1},             // a later line as long as the longest keeps it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
        const TrackEntry row = measured(c.text);
        EXPECT_EQ(row.infoColumns, c.columns);
        EXPECT_EQ(row.infoLineBreaks, c.lineBreaks);
    }
}

TEST(MeasureInfoText, LeavesARowWithoutTextUnchanged)
{
    TrackEntry row{};
    row.infoColumns = 12;
    row.infoLineBreaks = 34;
    measureInfoText(row);
    EXPECT_EQ(row.infoColumns, 12);
    EXPECT_EQ(row.infoLineBreaks, 34);
}

// The file-name form of an artist or a title: lower case, accents dropped,
// spaces as underscores, only letters, digits and hyphens kept.
std::string fileNamePart(const char* text)
{
    static const std::string from = "\xE0\xE1\xE2\xE3\xE4\xE5\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF1\xF2\xF3\xF4\xF5\xF6\xF8\xF9\xFA\xFB\xFC";
    static const std::string to = "aaaaaaceeeeiiiinoooooouuuu";
    std::string out;
    for (const char* p = text; *p != '\0'; ++p) {
        char c = *p;
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        else if (static_cast<unsigned char>(c) >= 0xC0 && static_cast<unsigned char>(c) <= 0xDE)
            c = static_cast<char>(c + 0x20); // Latin-1 capitals sit 32 below their small letters
        const size_t accented = from.find(c);
        if (accented != std::string::npos)
            c = to[accented];
        if (c == ' ')
            out += '_';
        else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-')
            out += c;
    }
    return out;
}

class Catalogue : public testing::Test {
protected:
    TrackCatalogue catalogue = makeTrackCatalogue();
    const TrackEntry* rows = catalogue.rows;
};

TEST_F(Catalogue, WalkingFromRowZeroVisits33RowsBeforeTheAllZeroEndRow)
{
    int byFileName = 0;
    while (rows[byFileName].fileName != nullptr)
        ++byFileName;
    int byArtist = 0;
    while (rows[byArtist].artist != nullptr)
        ++byArtist;
    EXPECT_EQ(byFileName, 33);
    EXPECT_EQ(byArtist, 33);

    const TrackEntry& end = rows[33];
    EXPECT_EQ(end.stream, 0u);
    EXPECT_EQ(end.fileName, nullptr);
    EXPECT_EQ(end.artist, nullptr);
    EXPECT_EQ(end.title, nullptr);
    EXPECT_EQ(end.link, nullptr);
    EXPECT_EQ(end.infoText, nullptr);
    EXPECT_EQ(end.infoColumns, 0);
    EXPECT_EQ(end.infoLineBreaks, 0);
}

TEST_F(Catalogue, SharesElevenArtistsElevenLinksAndFifteenTexts)
{
    std::set<const char*> artists, links, texts;
    std::set<std::string> artistNames, linkTexts;
    for (int i = 0; i < 33; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(rows[i].title, nullptr);
        ASSERT_NE(rows[i].link, nullptr);
        ASSERT_NE(rows[i].infoText, nullptr);
        EXPECT_EQ(rows[i].stream, 0u);
        artists.insert(rows[i].artist);
        links.insert(rows[i].link);
        texts.insert(rows[i].infoText);
        artistNames.insert(rows[i].artist);
        linkTexts.insert(rows[i].link);
    }
    // One pointer per artist: rows of an artist share the same string.
    EXPECT_EQ(artists.size(), 11u);
    EXPECT_EQ(artistNames.size(), 11u);
    EXPECT_EQ(links.size(), 11u);
    EXPECT_EQ(linkTexts.size(), 11u);
    EXPECT_EQ(texts.size(), 15u);
    EXPECT_EQ(rows[32].artist, rows[0].artist);
    EXPECT_EQ(rows[32].link, rows[0].link);
    EXPECT_EQ(rows[32].infoText, rows[0].infoText);
    for (int i = 0; i < 33; ++i)
        for (int j = 0; j < 33; ++j)
            if (rows[i].artist == rows[j].artist) {
                EXPECT_EQ(rows[i].link, rows[j].link) << "rows " << i << " and " << j;
            }
}

TEST_F(Catalogue, LinksAreAbsoluteAddressesUnderReservedDomains)
{
    for (int i = 0; i < 33; ++i) {
        const std::string link = rows[i].link;
        SCOPED_TRACE(link);
        ASSERT_EQ(link.rfind("https://", 0), 0u);
        const std::string host = link.substr(8, link.find('/', 8) - 8);
        EXPECT_TRUE(host.size() > 8 && host.compare(host.size() - 8, 8, ".example") == 0);
    }
}

TEST_F(Catalogue, ScrollerLinesFitAndSomeNamesAreAccented)
{
    bool accented = false;
    for (int i = 0; i < 33; ++i) {
        const std::string line = std::string(rows[i].artist) + " - " + rows[i].title;
        SCOPED_TRACE(line);
        EXPECT_GE(line.size(), 11u);
        EXPECT_LE(line.size(), 47u);
        accented |= std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) > 127; });
    }
    EXPECT_TRUE(accented);
}

TEST_F(Catalogue, FileNamesAreNumberArtistAndTitleInLowerCase)
{
    for (int i = 0; i < 33; ++i) {
        const std::string name = rows[i].fileName;
        SCOPED_TRACE(name);
        char number[3];
        std::snprintf(number, sizeof number, "%02d", i + 1);
        const std::string expected =
            std::string(number) + "_-_" + fileNamePart(rows[i].artist) + "_-_" + fileNamePart(rows[i].title) + ".mp3";
        EXPECT_EQ(name, expected);
        EXPECT_GE(name.size(), 20u);
        EXPECT_LE(name.size(), 54u);
        EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_-."), std::string::npos);
    }
}

TEST_F(Catalogue, InformationTextsAreCrLfTextsThatFitTheView)
{
    std::set<const char*> seen;
    int withoutLineFeed = 0, withTab = 0, withAccent = 0, lines = 0, wideLines = 0;
    int32_t widest = 0;
    for (int i = 0; i < 33; ++i) {
        const char* text = rows[i].infoText;
        if (!seen.insert(text).second)
            continue;
        SCOPED_TRACE(i);
        const size_t length = std::strlen(text);
        EXPECT_GE(length, 28u);
        EXPECT_LE(length, 1300u);
        for (size_t k = 0; k < length; ++k) {
            if (text[k] == '\n') {
                EXPECT_TRUE(k > 0 && text[k - 1] == '\r') << "a line feed without its carriage return";
            }
            if (text[k] == '\r') {
                EXPECT_EQ(text[k + 1], '\n') << "a carriage return without its line feed";
            }
        }
        withoutLineFeed += std::strchr(text, '\n') == nullptr;
        withTab += std::strchr(text, '\t') != nullptr;
        withAccent += std::any_of(text, text + length, [](char c) { return static_cast<unsigned char>(c) > 127; });

        TrackEntry row = rows[i];
        measureInfoText(row);
        widest = std::max(widest, row.infoColumns);
        for (const char* line = text; *line != '\0';) {
            const char* end = std::strchr(line, '\r');
            const size_t width = end ? static_cast<size_t>(end - line) : std::strlen(line);
            ++lines;
            wideLines += width > 52;
            line += width;
            line += (*line == '\r') ? 2 : 0;
        }
    }
    EXPECT_EQ(seen.size(), 15u);
    EXPECT_EQ(withoutLineFeed, 1);
    EXPECT_GE(withTab, 2);
    EXPECT_GE(withAccent, 2);
    EXPECT_EQ(widest, 54) << "the widest line is 54 columns";
    EXPECT_LT(wideLines * 20, lines) << "most lines are under 53 columns";
}

} // namespace
