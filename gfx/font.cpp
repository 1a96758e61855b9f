#include "gfx/font.h"

#include "assets/assets.h"

#include "gfx/frame.h"
#include "gfx/glyph_blend.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace {

// A cursor over one descriptor line, [at, end), that never looks past the
// line's end: the parse of one line cannot run on into the next.
struct LineReader {
    const char* at;
    const char* end;

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

    void skipSpaces()
    {
        while (at < end && isSpace(*at))
            ++at;
    }

    bool literal(const char* text)
    {
        const size_t length = std::strlen(text);
        if (static_cast<size_t>(end - at) < length || std::memcmp(at, text, length) != 0)
            return false;
        at += length;
        return true;
    }

    // A signed decimal as the C library's %d reads it (leading white space,
    // an optional sign, at least one digit), refused when it does not fit.
    bool number(int32_t& value)
    {
        skipSpaces();
        bool negative = false;
        if (at < end && (*at == '+' || *at == '-'))
            negative = *at++ == '-';
        if (at == end || *at < '0' || *at > '9')
            return false;
        int64_t magnitude = 0;
        while (at < end && *at >= '0' && *at <= '9') {
            magnitude = magnitude * 10 + (*at++ - '0');
            if (magnitude > int64_t(std::numeric_limits<int32_t>::max()) + 1)
                return false;
        }
        const int64_t signedValue = negative ? -magnitude : magnitude;
        if (signedValue > std::numeric_limits<int32_t>::max())
            return false;
        value = static_cast<int32_t>(signedValue);
        return true;
    }

    // " key=%d": the space of the pattern matches any run of white space.
    bool field(const char* key, int32_t& value)
    {
        skipSpaces();
        return literal(key) && literal("=") && number(value);
    }
};

// A char line gives the id and seven glyph values. A line that does not
// parse completely is dropped whole rather than storing half a glyph.
void parseCharLine(BitmapFont& font, const char* line, const char* end)
{
    LineReader reader{line, end};
    if (!reader.literal("char "))
        return;
    int32_t id = 0;
    Glyph g{};
    if (!reader.field("id", id) || !reader.field("x", g.x) || !reader.field("y", g.y) ||
        !reader.field("width", g.width) || !reader.field("height", g.height) ||
        !reader.field("xoffset", g.xoffset) || !reader.field("yoffset", g.yoffset) ||
        !reader.field("xadvance", g.xadvance))
        return;
    if (id < 0 || id > 255)
        return;
    font.glyphs[id] = g;
}

int32_t advanceOf(const BitmapFont& font, uint8_t code)
{
    return font.fixedAdvance != -1 ? font.fixedAdvance : font.glyphs[code].xadvance;
}

// Draws one glyph with the pen at (x, y), clipped to the view. Only the
// part of the glyph's rectangle that lies on the sheet is read: the rest has
// no coverage, so a bad rectangle or a missing sheet draws nothing. The
// clipping is worked out once per glyph, as the range of its rows and
// columns that land on the view, rather than tested per pixel.
void drawGlyph(uint8_t code, const BitmapFont& font, uint32_t* view, int32_t x, int32_t y, const TextColour& colour)
{
    const CImage* sheet = font.sheet;
    if (sheet == nullptr || sheet->pixels == nullptr)
        return;
    const Glyph& g = font.glyphs[code];
    const int64_t left = int64_t(x) + g.xoffset; // view column of glyph column 0
    const int64_t top = int64_t(y) + g.yoffset;  // view row of glyph row 0

    // Glyph rows and columns whose sheet pixel exists and that land on the view:
    // most often the whole rectangle.
    int64_t firstRow = 0, endRow = g.height, firstColumn = 0, endColumn = g.width;
    const bool whole = g.x >= 0 && g.y >= 0 && left >= 0 && top >= 0 && int64_t(g.x) + g.width <= sheet->width &&
                       int64_t(g.y) + g.height <= sheet->height && left + g.width <= kViewWidth &&
                       top + g.height <= kViewHeight;
    if (!whole) {
        firstRow = std::max<int64_t>({0, -int64_t(g.y), -top});
        endRow = std::min<int64_t>({g.height, int64_t(sheet->height) - g.y, kViewHeight - top});
        firstColumn = std::max<int64_t>({0, -int64_t(g.x), -left});
        endColumn = std::min<int64_t>({g.width, int64_t(sheet->width) - g.x, kViewWidth - left});
    }
    if (firstColumn >= endColumn || firstRow >= endRow)
        return;

    // Offsets of the first drawn pixel on the sheet and in the view, and of
    // the last row's first one.
    const int64_t rows = endRow - firstRow;
    const int64_t sheetAt = (g.y + firstRow) * sheet->bufferWidth + g.x + firstColumn;
    const int64_t viewAt = (top + firstRow) * kViewWidth + left + firstColumn;
    const int64_t lastSheetAt = sheetAt + (rows - 1) * sheet->bufferWidth;
    const int64_t lastViewAt = viewAt + (rows - 1) * kViewWidth;
    const int64_t room = std::min(int64_t(sheet->bufferWidth) * sheet->bufferHeight - lastSheetAt,
                                  int64_t(kViewWidth) * kViewHeight - lastViewAt);
    const GlyphRows glyph{view + viewAt, sheet->pixels + sheetAt, sheet->bufferWidth, rows, endColumn - firstColumn,
                          room};
    blendGlyph(glyph, colour);
}

} // namespace

BitmapFont& loadFont(BitmapFont& font, const uint8_t* sheetData, uint32_t sheetSize, const char* descriptor)
{
    delete font.sheet;
    font.sheet = new CImage(sheetData, sheetSize);
    font.fixedAdvance = -1;
    std::memset(font.glyphs, 0, sizeof font.glyphs);
    if (descriptor == nullptr)
        return font;

    // Only lines that a line feed ends are read; a last line without one is not.
    const char* line = descriptor;
    while (const char* lineEnd = std::strchr(line, '\n')) {
        parseCharLine(font, line, lineEnd);
        line = lineEnd + 1;
    }
    return font;
}

void drawText(const char* text, const BitmapFont& font, uint32_t* view, int32_t x, int32_t y, uint32_t colour)
{
    // The pen's offsets wrap around as 32-bit values; a line offset that has
    // gone negative reads as a huge unsigned one and stops the drawing.
    uint32_t column = 0;
    uint32_t line = 0;
    if (text == nullptr)
        return;
    const TextColour blend(colour);
    for (const char* p = text; *p != '\0'; ++p) {
        const auto code = static_cast<uint8_t>(*p);
        if (code == '\n') {
            column = 0;
            line += static_cast<uint32_t>(advanceOf(font, '\n'));
            continue;
        }
        if (code == '\r')
            continue;
        if (line <= 231)
            drawGlyph(code, font, view, static_cast<int32_t>(static_cast<uint32_t>(x) + column),
                      static_cast<int32_t>(static_cast<uint32_t>(y) + line), blend);
        column += static_cast<uint32_t>(advanceOf(font, code));
    }
}

void loadPlayerFonts(BitmapFont& smallFont, BitmapFont& largeFont)
{
    loadFont(smallFont, assets::smallFontSheet.bytes, assets::smallFontSheet.count,
             assets::smallFontDescriptor.text());
    loadFont(largeFont, assets::largeFontSheet.bytes, assets::largeFontSheet.count,
             assets::largeFontDescriptor.text());
    smallFont.fixedAdvance = 6;
}
