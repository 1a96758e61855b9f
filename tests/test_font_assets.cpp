// The two embedded fonts as loadFont will read them: two-colour sheets and
// descriptors whose 190 glyph records all point inside the sheet at their
// own ink, laid out so the small font fits its 6x6 cell.

#include "assets/assets.h"
#include "gfx/image.h"
#include "tools/render-text/font_descriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FontCase {
    const char* name;
    const AssetBlob* sheet;
    const AssetBlob* descriptor;
    int lineHeight;
    int base;
};

const std::vector<FontCase> fonts = {
    {"smallFont", &assets::smallFontSheet, &assets::smallFontDescriptor, 7, 5},
    {"largeFont", &assets::largeFontSheet, &assets::largeFontDescriptor, 14, 10},
};

fontdesc::Descriptor parse(const FontCase& f) { return fontdesc::parseDescriptor(f.descriptor->text()); }

int inkIn(const CImage& sheet, const fontdesc::GlyphRecord& g)
{
    int ink = 0;
    for (int y = g.y; y < g.y + g.height; ++y)
        for (int x = g.x; x < g.x + g.width; ++x)
            ink += sheet.pixel(x, y) != 0;
    return ink;
}

std::vector<bool> bitmapOf(const CImage& sheet, const fontdesc::GlyphRecord& g)
{
    std::vector<bool> bits;
    for (int y = g.y; y < g.y + g.height; ++y)
        for (int x = g.x; x < g.x + g.width; ++x)
            bits.push_back(sheet.pixel(x, y) != 0);
    return bits;
}

bool overlap(const fontdesc::GlyphRecord& a, const fontdesc::GlyphRecord& b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

TEST(FontSheets, Are256By128AndHoldOnlyBlackIndexZeroAndWhite)
{
    for (const FontCase& f : fonts) {
        SCOPED_TRACE(f.name);
        EXPECT_EQ(f.sheet->bytes[25], 3) << "a palette PNG";
        const CImage sheet(*f.sheet);
        ASSERT_EQ(sheet.width, 256);
        ASSERT_EQ(sheet.height, 128);
        int white = 0;
        for (int i = 0; i < sheet.width * sheet.height; ++i) {
            // Index 0 decodes as transparent black, index 255 as opaque
            // white; any other index would be opaque black or a colour.
            ASSERT_TRUE(sheet.pixels[i] == 0x00000000u || sheet.pixels[i] == 0xFFFFFFFFu) << "pixel " << i;
            white += sheet.pixels[i] == 0xFFFFFFFFu;
        }
        EXPECT_GT(white, 500);
    }
}

TEST(FontDescriptors, HaveTheHeaderLinesAndCrLfEndings)
{
    for (const FontCase& f : fonts) {
        SCOPED_TRACE(f.name);
        const fontdesc::Descriptor d = parse(f);
        EXPECT_TRUE(d.allLinesEndWithCrLf);
        ASSERT_GE(d.lines.size(), 4u);
        EXPECT_EQ(d.lines[0].rfind("info ", 0), 0u);
        EXPECT_EQ(d.lines[1].rfind("common ", 0), 0u);
        EXPECT_EQ(d.lines[2].rfind("page ", 0), 0u);
        EXPECT_EQ(d.lines[3], "chars count=190");
        EXPECT_EQ(d.lineHeight, f.lineHeight);
        EXPECT_EQ(d.base, f.base);
        EXPECT_EQ(d.scaleW, 256);
        EXPECT_EQ(d.scaleH, 128);
        EXPECT_EQ(d.lines.size(), 4u + 190u) << "nothing but the header and one line per glyph";
    }
}

TEST(FontDescriptors, Carry190GlyphsInsideTheSheetWithoutOverlaps)
{
    for (const FontCase& f : fonts) {
        SCOPED_TRACE(f.name);
        const fontdesc::Descriptor d = parse(f);
        EXPECT_TRUE(d.badLines.empty()) << d.badLines.front();
        ASSERT_EQ(d.glyphs.size(), 190u);
        EXPECT_EQ(d.glyphs.count(10), 0u) << "a line feed has no glyph";
        std::vector<fontdesc::GlyphRecord> records;
        for (const auto& [id, g] : d.glyphs) {
            SCOPED_TRACE(id);
            EXPECT_GE(id, 32);
            EXPECT_LE(id, 255);
            EXPECT_GE(g.x, 0);
            EXPECT_GE(g.y, 0);
            EXPECT_GT(g.width, 0);
            EXPECT_GT(g.height, 0);
            EXPECT_LE(g.x + g.width, 256);
            EXPECT_LE(g.y + g.height, 128);
            EXPECT_GT(g.xadvance, 0);
            records.push_back(g);
        }
        for (size_t i = 0; i < records.size(); ++i)
            for (size_t j = i + 1; j < records.size(); ++j)
                EXPECT_FALSE(overlap(records[i], records[j])) << records[i].id << " and " << records[j].id;
    }
}

TEST(FontDescriptors, CoverPrintableAsciiAndLatin1WithInkForEveryVisibleCharacter)
{
    for (const FontCase& f : fonts) {
        SCOPED_TRACE(f.name);
        const fontdesc::Descriptor d = parse(f);
        const CImage sheet(*f.sheet);
        for (int code = 32; code <= 255; ++code) {
            if (code > 126 && code < 160)
                continue;
            if (code == 173) // the soft hyphen is never shown
                continue;
            SCOPED_TRACE(code);
            ASSERT_EQ(d.glyphs.count(code), 1u);
            const bool blank = code == 32 || code == 160;
            EXPECT_EQ(inkIn(sheet, d.glyphs.at(code)) == 0, blank);
        }
    }
}

TEST(FontDescriptors, AccentedLettersDifferFromTheirBaseLetters)
{
    const std::pair<int, int> pairs[] = {{233, 'e'}, {232, 233}, {228, 'a'}, {246, 'o'}, {252, 'u'}, {241, 'n'},
                                         {231, 'c'}, {229, 228}, {248, 'o'}, {201, 'E'}, {214, 'O'}, {197, 196}};
    for (const FontCase& f : fonts) {
        SCOPED_TRACE(f.name);
        const fontdesc::Descriptor d = parse(f);
        const CImage sheet(*f.sheet);
        for (const auto& [accented, base] : pairs) {
            const fontdesc::GlyphRecord& a = d.glyphs.at(accented);
            const fontdesc::GlyphRecord& b = d.glyphs.at(base);
            const bool same = a.width == b.width && a.height == b.height && a.yoffset == b.yoffset &&
                              bitmapOf(sheet, a) == bitmapOf(sheet, b);
            EXPECT_FALSE(same) << accented << " looks like " << base;
        }
    }
}

TEST(SmallFont, EveryGlyphFitsItsSixBySixCellLeavingAGap)
{
    const fontdesc::Descriptor d = parse(fonts[0]);
    for (const auto& [id, g] : d.glyphs) {
        SCOPED_TRACE(id);
        EXPECT_GE(g.xoffset, 0);
        EXPECT_LE(g.xoffset + g.width, 5) << "one column of background before the next cell";
        // Only accents over capitals reach the row above the cell.
        EXPECT_GE(g.yoffset, -1);
        EXPECT_LE(g.yoffset + g.height, 6);
        EXPECT_EQ(g.xadvance, 6);
    }
    EXPECT_EQ(d.glyphs.at('H').yoffset, 0);
    EXPECT_EQ(d.glyphs.at('H').height, 5) << "capitals stand 5 pixels on the baseline";
}

TEST(LargeFont, CapitalsSitOnTheBaselineAndEverythingStaysNearTheLine)
{
    const fontdesc::Descriptor d = parse(fonts[1]);
    const fontdesc::GlyphRecord& h = d.glyphs.at('H');
    EXPECT_EQ(h.yoffset + h.height, 10) << "the baseline";
    EXPECT_GE(h.height, 10);
    EXPECT_LE(h.height, 11);
    EXPECT_GT(d.glyphs.at('W').xadvance, d.glyphs.at('i').xadvance) << "proportional";
    for (const auto& [id, g] : d.glyphs) {
        SCOPED_TRACE(id);
        EXPECT_GE(g.yoffset, -5);
        EXPECT_LE(g.yoffset + g.height, 14);
    }
}

} // namespace
