#include "gfx/font.h"

#include "gfx/frame.h"
#include "tests/support/each_target.h"
#include "tests/support/test_images.h"
#include "tools/assetgen/png_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A 256x128 glyph sheet as the fonts ship it: a palette PNG, index 0 black
// and index 255 white. Every pixel is white, so a glyph's coverage is its
// whole rectangle (as far as it lies on the sheet).
std::vector<uint8_t> whiteSheetPng()
{
    std::vector<assetgen::PaletteEntry> palette(256, {0, 0, 0});
    palette[255] = {255, 255, 255};
    return assetgen::encodePalettePng(256, 128, std::vector<uint8_t>(256 * 128, 255), palette);
}

void load(BitmapFont& font, const std::string& descriptor)
{
    static const std::vector<uint8_t> sheet = whiteSheetPng();
    loadFont(font, sheet.data(), static_cast<uint32_t>(sheet.size()), descriptor.c_str());
}

std::string charLine(int id, int x, int y, int w, int h, int xoff, int yoff, int adv)
{
    return "char id=" + std::to_string(id) + "   x=" + std::to_string(x) + "     y=" + std::to_string(y) +
           "     width=" + std::to_string(w) + "     height=" + std::to_string(h) +
           "     xoffset=" + std::to_string(xoff) + "     yoffset=" + std::to_string(yoff) +
           "     xadvance=" + std::to_string(adv) + "     page=0  chnl=15";
}

void expectGlyph(const Glyph& g, std::vector<int32_t> values)
{
    EXPECT_EQ((std::vector<int32_t>{g.x, g.y, g.width, g.height, g.xoffset, g.yoffset, g.xadvance}), values);
}

bool isEmpty(const Glyph& g)
{
    return g.x == 0 && g.y == 0 && g.width == 0 && g.height == 0 && g.xoffset == 0 && g.yoffset == 0 &&
           g.xadvance == 0;
}

TEST(FontDescriptor, ReadsCharLinesWithTheirSevenValues)
{
    BitmapFont font;
    load(font, "info face=\"x\" size=7\r\ncommon lineHeight=7 base=5 scaleW=256 scaleH=128 pages=1\r\n"
               "page id=0 file=\"small.png\"\r\nchars count=2\r\n" +
                   charLine(32, 205, 27, 3, 3, -1, 4, 2) + "\r\n" + charLine(65, 1, 2, 3, 4, 5, 6, 7) + "\r\n");
    ASSERT_NE(font.sheet, nullptr);
    EXPECT_EQ(font.sheet->width, 256);
    EXPECT_EQ(font.fixedAdvance, -1);
    expectGlyph(font.glyphs[32], {205, 27, 3, 3, -1, 4, 2});
    expectGlyph(font.glyphs[65], {1, 2, 3, 4, 5, 6, 7});
    int set = 0;
    for (const Glyph& g : font.glyphs)
        set += isEmpty(g) ? 0 : 1;
    EXPECT_EQ(set, 2) << "\"chars count=2\" and the other header lines are not char lines";
}

TEST(FontDescriptor, KeepsIdsZeroTo255AndIgnoresTheRest)
{
    BitmapFont font;
    load(font, charLine(255, 1, 1, 1, 1, 0, 0, 9) + "\n" + charLine(256, 2, 2, 2, 2, 0, 0, 8) + "\n" +
                   charLine(-1, 3, 3, 3, 3, 0, 0, 7) + "\n" + charLine(0, 4, 4, 4, 4, 0, 0, 6) + "\n");
    expectGlyph(font.glyphs[255], {1, 1, 1, 1, 0, 0, 9});
    expectGlyph(font.glyphs[0], {4, 4, 4, 4, 0, 0, 6});
    for (int id = 1; id < 255; ++id)
        EXPECT_TRUE(isEmpty(font.glyphs[id])) << id;
}

TEST(FontDescriptor, LaterLineWinsAndUnterminatedLastLineIsIgnored)
{
    BitmapFont font;
    load(font, charLine(65, 1, 1, 1, 1, 0, 0, 1) + "\n" + charLine(65, 2, 2, 2, 2, 0, 0, 2) + "\n" +
                   charLine(66, 3, 3, 3, 3, 0, 0, 3));
    expectGlyph(font.glyphs[65], {2, 2, 2, 2, 0, 0, 2});
    EXPECT_TRUE(isEmpty(font.glyphs[66]));

    BitmapFont noLineFeed;
    load(noLineFeed, charLine(65, 1, 1, 1, 1, 0, 0, 1));
    EXPECT_TRUE(isEmpty(noLineFeed.glyphs[65]));
}

TEST(FontDescriptor, SeparatorsAreAnyWhiteSpaceButLinesMustParseCompletely)
{
    BitmapFont font;
    load(font, "char id=65\tx=1 \t y=2 width=3 height=4 xoffset=-5 yoffset=+6 xadvance=7\n"
               // Stops at height: dropped whole, not stored half-read.
               "char id=66 x=1 y=2 width=3 height=q xoffset=0 yoffset=0 xadvance=9\n"
               // Ends early; the next line must not complete it.
               "char id=67 x=1 y=2 width=3\n"
               "height=4 xoffset=0 yoffset=0 xadvance=9\n"
               // A value beyond 32 bits.
               "char id=68 x=1 y=2 width=3 height=4 xoffset=0 yoffset=0 xadvance=99999999999\n"
               // \"chars\" lines and lines that merely start alike are not char lines.
               "chars id=69 x=1 y=2 width=3 height=4 xoffset=0 yoffset=0 xadvance=9\n"
               " char id=70 x=1 y=2 width=3 height=4 xoffset=0 yoffset=0 xadvance=9\n");
    expectGlyph(font.glyphs[65], {1, 2, 3, 4, -5, 6, 7});
    for (int id : {66, 67, 68, 69, 70})
        EXPECT_TRUE(isEmpty(font.glyphs[id])) << id;
}

TEST(FontDescriptor, ReloadingStartsFromScratch)
{
    BitmapFont font;
    load(font, charLine(65, 1, 1, 1, 1, 0, 0, 1) + "\n");
    font.fixedAdvance = 6;
    load(font, "no line feed at all");
    EXPECT_EQ(font.fixedAdvance, -1);
    EXPECT_TRUE(isEmpty(font.glyphs[65]));
}

// --- drawing -----------------------------------------------------------

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kCovered = 0xFFFEFEFEu; // full white over black

// A view with guard cells on both sides, so a stray write shows.
struct View {
    static constexpr int kGuard = 1024;
    std::vector<uint32_t> cells;
    explicit View(uint32_t fill = kBlack) : cells(kViewWidth * kViewHeight + 2 * kGuard, fill) {}
    uint32_t* pixels() { return cells.data() + kGuard; }
    uint32_t at(int x, int y) const { return cells[kGuard + y * kViewWidth + x]; }
    int count(uint32_t value) const
    {
        int n = 0;
        for (int i = 0; i < kViewWidth * kViewHeight; ++i)
            n += cells[kGuard + i] == value ? 1 : 0;
        return n;
    }
    bool guardsIntact(uint32_t fill = kBlack) const
    {
        for (int i = 0; i < kGuard; ++i)
            if (cells[i] != fill || cells[cells.size() - 1 - i] != fill)
                return false;
        return true;
    }
};

// A font built directly: glyph 'A' is a 2x2 block, 'B' a 2x2 block at
// offset (1, 0); both advance by 3. The sheet's top-left 8x8 is covered.
struct TestFont {
    BitmapFont font;
    explicit TestFont(int32_t fixedAdvance)
    {
        font.sheet = makeImage(16, 16, 0).release();
        fillRect(*font.sheet, 0, 0, 7, 7, 0xFFFFFFFFu);
        font.glyphs['A'] = {0, 0, 2, 2, 0, 0, 3};
        font.glyphs['B'] = {0, 0, 2, 2, 1, 0, 3};
        font.fixedAdvance = fixedAdvance;
    }
};

TEST(DrawText, GlyphOffsetsPlaceItsRectangleBelowAndRightOfThePen)
{
    TestFont t(-1);
    t.font.glyphs['C'] = {0, 0, 2, 2, 1, 3, 3};
    t.font.glyphs['D'] = {0, 0, 2, 2, 0, -2, 3};
    View view;
    drawText("CD", t.font, view.pixels(), 10, 20, 0xFFFFFFFFu);
    EXPECT_EQ(view.at(11, 23), kCovered) << "C: one right, three down";
    EXPECT_EQ(view.at(12, 24), kCovered);
    EXPECT_EQ(view.at(13, 18), kCovered) << "D: after C's advance, two up";
    EXPECT_EQ(view.at(14, 19), kCovered);
    EXPECT_EQ(view.count(kCovered), 8);
    EXPECT_TRUE(view.guardsIntact());
}

TEST(DrawText, EmptyTextDrawsNothing)
{
    TestFont t(-1);
    View view;
    drawText("", t.font, view.pixels(), 10, 10, 0xFFFFFFFFu);
    EXPECT_EQ(view.count(kBlack), kViewWidth * kViewHeight);
}

TEST(DrawText, FixedCellFontMovesDownSixOnLineFeedAndIgnoresCarriageReturn)
{
    TestFont small(6);
    View view;
    drawText("A\r\nA", small.font, view.pixels(), 10, 20, 0xFFFFFFFFu);
    EXPECT_EQ(view.at(10, 20), kCovered);
    EXPECT_EQ(view.at(11, 21), kCovered);
    EXPECT_EQ(view.at(10, 26), kCovered) << "second A one cell down, back at x";
    EXPECT_EQ(view.at(11, 27), kCovered);
    EXPECT_EQ(view.count(kCovered), 8) << "the carriage return neither draws nor moves";

    View spaced;
    drawText("AA", small.font, spaced.pixels(), 10, 20, 0xFFFFFFFFu);
    EXPECT_EQ(spaced.at(16, 20), kCovered) << "fixed advance 6, not the glyph's 3";
}

TEST(DrawText, WithoutFixedAdvanceLineFeedUsesGlyphTensAdvance)
{
    TestFont large(-1);
    View view(0xFFFFFFFFu);
    // Glyph 10 has no advance: the second A lands on the first.
    drawText("A\nA", large.font, view.pixels(), 10, 20, 0x80000000u);
    EXPECT_EQ(view.at(10, 20), 0xFF3F3F3Fu) << "255 halved twice toward black: 127, then 63";
    EXPECT_EQ(view.count(0xFF3F3F3Fu), 4);

    large.font.glyphs['\n'].xadvance = 9;
    View moved;
    drawText("A\nA", large.font, moved.pixels(), 10, 20, 0xFFFFFFFFu);
    EXPECT_EQ(moved.at(10, 29), kCovered);
    EXPECT_EQ(moved.count(kCovered), 8);
}

TEST(DrawText, StopsDrawingOnceTheLineOffsetPasses231)
{
    TestFont font(1);
    const auto drawnAfter = [&](int lineFeeds) {
        View view;
        drawText((std::string(lineFeeds, '\n') + "A").c_str(), font.font, view.pixels(), 0, -200, 0xFFFFFFFFu);
        return view.count(kCovered);
    };
    EXPECT_EQ(drawnAfter(231), 4) << "offset 231 is still drawn (row 31)";
    EXPECT_EQ(drawnAfter(232), 0) << "offset 232 is not, though row 32 is on the view";

    // The small font's 40th line (offset 234) is the first one left out.
    TestFont small(6);
    View view;
    drawText((std::string(38, '\n') + "A\nA").c_str(), small.font, view.pixels(), 0, -220, 0xFFFFFFFFu);
    EXPECT_EQ(view.at(0, 8), kCovered);
    EXPECT_EQ(view.count(kCovered), 4);

    // A line offset that went negative reads as a huge unsigned number.
    TestFont upward(-1);
    upward.font.glyphs['\n'].xadvance = -5;
    View up;
    drawText("A\nA", upward.font, up.pixels(), 10, 20, 0xFFFFFFFFu);
    EXPECT_EQ(up.count(kCovered), 4);
    EXPECT_EQ(up.at(10, 20), kCovered);
}

TEST(DrawText, ClipsEachEdgePixelByPixel)
{
    // A 4x4 glyph covered only where both its row and column are even.
    BitmapFont font;
    font.sheet = makeImage(4, 4, 0).release();
    for (int y = 0; y < 4; y += 2)
        for (int x = 0; x < 4; x += 2)
            fillRect(*font.sheet, x, y, x, y, 0xFFFFFFFFu);
    font.glyphs['A'] = {0, 0, 4, 4, 0, 0, 4};

    View left;
    drawText("A", font, left.pixels(), -2, 50, 0xFFFFFFFFu);
    EXPECT_EQ(left.at(0, 50), kCovered) << "glyph column 2 lands on column 0";
    EXPECT_EQ(left.at(0, 52), kCovered);
    EXPECT_EQ(left.count(kCovered), 2);

    View right;
    drawText("A", font, right.pixels(), 318, 50, 0xFFFFFFFFu);
    EXPECT_EQ(right.at(318, 50), kCovered);
    EXPECT_EQ(right.count(kCovered), 2) << "only the first two columns stay";

    View top;
    drawText("A", font, top.pixels(), 50, -2, 0xFFFFFFFFu);
    EXPECT_EQ(top.at(50, 0), kCovered) << "glyph row 2 lands on row 0";
    EXPECT_EQ(top.count(kCovered), 2);

    View bottom;
    drawText("A", font, bottom.pixels(), 50, 238, 0xFFFFFFFFu);
    EXPECT_EQ(bottom.at(52, 238), kCovered);
    EXPECT_EQ(bottom.count(kCovered), 2) << "rows past 239 are dropped";

    View corner;
    drawText("A", font, corner.pixels(), 318, 238, 0xFFFFFFFFu);
    EXPECT_EQ(corner.count(kCovered), 1);

    for (const View* v : {&left, &right, &top, &bottom, &corner})
        EXPECT_TRUE(v->guardsIntact());
}

TEST(DrawText, BlendsWithTheColoursAlphaAndKeepsTheTargetsAlpha)
{
    TestFont t(-1);
    const auto drawOver = [&](uint32_t target, uint32_t colour) {
        View view(target);
        drawText("A", t.font, view.pixels(), 5, 5, colour);
        return view.at(5, 5);
    };
    EXPECT_EQ(drawOver(0x12345678u, 0x00FFFFFFu), 0x12345678u) << "alpha 0 changes nothing";
    EXPECT_EQ(drawOver(0xFF000000u, 0xFFFFFFFFu), 0xFFFEFEFEu) << "white over black reaches 254";
    EXPECT_EQ(drawOver(0x12000000u, 0xFFFFFFFFu), 0x12FEFEFEu) << "the target keeps its alpha";
    EXPECT_EQ(drawOver(0xFFFFFFFFu, 0xFF000000u), 0xFF000000u) << "black over white reaches 0";
    EXPECT_EQ(drawOver(0xFFFFFFFFu, 0x80000000u), 0xFF7F7F7Fu);
    EXPECT_EQ(drawOver(0xFFFFFFFFu, 0x40000000u), 0xFFBFBFBFu);
    // The shift rounds toward minus infinity: 16 + (-16 * 129 >> 8) = 16 - 9.
    EXPECT_EQ(drawOver(0xFF101010u, 0x81FF0000u), 0xFF880707u);
}

TEST(DrawText, CoverageIsTheSheetsBlueByte)
{
    BitmapFont font;
    font.sheet = makeImage(2, 1, 0).release();
    font.sheet->pixels[0] = 0xFFFFFF00u; // blue 0: no coverage, however bright
    font.sheet->pixels[1] = 0x00000001u; // blue 1: covered, though transparent
    font.glyphs[200] = {0, 0, 2, 1, 0, 0, 2}; // codes above 127 are glyphs like any other
    View view;
    const char text[] = {char(200), 0};
    drawText(text, font, view.pixels(), 7, 7, 0xFFFFFFFFu);
    EXPECT_EQ(view.at(7, 7), kBlack);
    EXPECT_EQ(view.at(8, 7), kCovered);
}

TEST(DrawText, GlyphRectanglesAreClippedToTheSheet)
{
    BitmapFont font;
    load(font, charLine(65, 252, 126, 8, 4, 0, 0, 8) + "\n" + charLine(66, -3, -1, 5, 2, 0, 0, 5) + "\n" +
                   charLine(67, 0, 0, 2147483647, 2147483647, 0, 0, 5) + "\n");
    View view;
    drawText("A", font, view.pixels(), 10, 10, 0xFFFFFFFFu);
    EXPECT_EQ(view.count(kCovered), 4 * 2) << "4 columns and 2 rows of the rectangle lie on the sheet";
    EXPECT_EQ(view.at(10, 10), kCovered);
    EXPECT_EQ(view.at(14, 10), kBlack);

    View before;
    drawText("B", font, before.pixels(), 10, 10, 0xFFFFFFFFu);
    EXPECT_EQ(before.count(kCovered), 2 * 1);
    EXPECT_EQ(before.at(13, 11), kCovered) << "sheet pixel (0, 0) stays where the rectangle puts it";

    View huge;
    drawText("C", font, huge.pixels(), 0, 0, 0xFFFFFFFFu);
    EXPECT_EQ(huge.count(kCovered), 256 * 128);
    EXPECT_TRUE(huge.guardsIntact());
}

TEST(DrawText, FontWithoutSheetDrawsNothing)
{
    BitmapFont broken;
    const uint8_t garbage[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    loadFont(broken, garbage, sizeof garbage, (charLine(65, 0, 0, 4, 4, 0, 0, 4) + "\n").c_str());
    ASSERT_NE(broken.sheet, nullptr);
    EXPECT_TRUE(broken.sheet->empty());
    EXPECT_EQ(broken.glyphs['A'].width, 4) << "the descriptor is still read";

    TestFont noSheet(-1);
    delete noSheet.font.sheet;
    noSheet.font.sheet = nullptr;

    for (const BitmapFont* font : {&broken, &noSheet.font}) {
        View view;
        drawText("AAAA", *font, view.pixels(), 0, 0, 0xFFFFFFFFu);
        EXPECT_EQ(view.count(kBlack), kViewWidth * kViewHeight);
    }
}

} // namespace

namespace {

// drawText as described, one pixel at a time: every pixel of every glyph
// tested against the view's edges and blended with blendOver. The drawing
// above clips per glyph and blends from a table; both must give these bits.
void plainDrawText(const char* text, const BitmapFont& font, uint32_t* view, int32_t x, int32_t y, uint32_t colour)
{
    uint32_t column = 0, line = 0;
    const auto advance = [&](uint8_t code) { return font.fixedAdvance != -1 ? font.fixedAdvance : font.glyphs[code].xadvance; };
    for (const char* p = text; *p != '\0'; ++p) {
        const auto code = static_cast<uint8_t>(*p);
        if (code == '\n') {
            column = 0;
            line += static_cast<uint32_t>(advance('\n'));
            continue;
        }
        if (code == '\r')
            continue;
        if (line <= 231) {
            const Glyph& g = font.glyphs[code];
            const int64_t penX = static_cast<int32_t>(static_cast<uint32_t>(x) + column);
            const int64_t penY = static_cast<int32_t>(static_cast<uint32_t>(y) + line);
            for (int64_t r = 0; r < g.height; ++r)
                for (int64_t c = 0; c < g.width; ++c) {
                    const int64_t sx = g.x + c, sy = g.y + r;
                    const int64_t tx = penX + g.xoffset + c, ty = penY + g.yoffset + r;
                    if (sx < 0 || sy < 0 || sx >= font.sheet->width || sy >= font.sheet->height)
                        continue;
                    if (tx < 0 || ty < 0 || tx >= kViewWidth || ty >= kViewHeight)
                        continue;
                    if ((font.sheet->pixels[sy * font.sheet->bufferWidth + sx] & 0xFF) == 0)
                        continue;
                    uint32_t& d = view[ty * kViewWidth + tx];
                    d = blendOver(d, colour, static_cast<int32_t>(colour >> 24));
                }
        }
        column += static_cast<uint32_t>(advance(code));
    }
}

TEST(DrawText, ThePlayersFontsDrawAsThePlainPixelByPixelBlend)
{
    BitmapFont small, large;
    loadPlayerFonts(small, large);
    const char* text = "Vela Orkestra - Quarven Rising\nline two: 0123456789 !?,.\r\nthird {[(<>)]} ~\xE9\xFF";
    const uint32_t colours[] = {0x40000000u, 0x80000000u, 0xFFFFFFFFu, 0x7F3080C0u, 0x01FFFFFFu, 0x00FFFFFFu};
    const int32_t positions[][2] = {{30, 222}, {-2, 100}, {-150, -3}, {300, 5}, {100, 235}, {310, 230}, {0, 0}};
    std::vector<uint32_t> start(kViewWidth * kViewHeight);
    for (size_t i = 0; i < start.size(); ++i)
        start[i] = static_cast<uint32_t>(i * 2654435761u);
    forEachTarget([&](const simd::Target& target) {
        for (const BitmapFont* font : {&small, &large})
            for (uint32_t colour : colours)
                for (const auto& at : positions) {
                    std::vector<uint32_t> drawn = start, expected = start;
                    drawText(text, *font, drawn.data(), at[0], at[1], colour);
                    plainDrawText(text, *font, expected.data(), at[0], at[1], colour);
                    ASSERT_EQ(drawn, expected) << target.name << " " << std::hex << colour << std::dec << " at "
                                               << at[0] << ", " << at[1];
                }
    });
}

} // namespace
