#include "gfx/font.h"

#include "assets/assets.h"

#include "gfx/frame.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// blendOver of one colour at one strength on four pixels in 16-bit lanes.
// (k - t) * a >> 8 with an arithmetic shift is the floor of (k - t) * a / 256,
// which is the high half of the signed product ((k - t) << 7) * (2 * a):
// both factors fit 16 signed bits (|k - t| <= 255, a <= 255). The alpha
// lanes have a strength of 0 and keep the target's alpha byte.
struct BlendLanes {
    __m128i colour; // two pixels' worth of the colour's bytes
    __m128i twice;  // twice the strength in the blue, green and red lanes

    explicit BlendLanes(uint32_t colour32)
    {
        const __m128i zero = _mm_setzero_si128();
        colour = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int32_t>(colour32)), zero);
        twice = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int32_t>((colour32 >> 24) * 0x010101u)), zero);
        twice = _mm_add_epi16(twice, twice);
    }
    __m128i blendHalf(__m128i t) const
    {
        return _mm_add_epi16(t, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(colour, t), 7), twice));
    }
    // The four target pixels, blended where the sheet's blue byte is not 0.
    __m128i blend(__m128i target, __m128i sheet) const
    {
        const __m128i zero = _mm_setzero_si128();
        const __m128i bare = _mm_cmpeq_epi32(_mm_and_si128(sheet, _mm_set1_epi32(0xFF)), zero);
        const __m128i blended = _mm_packus_epi16(blendHalf(_mm_unpacklo_epi8(target, zero)),
                                                 blendHalf(_mm_unpackhi_epi8(target, zero)));
        return _mm_or_si128(_mm_and_si128(bare, target), _mm_andnot_si128(bare, blended));
    }
};

using TextBlend = BlendLanes;

inline __m128i loadGroup(const uint32_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
inline void storeGroup(uint32_t* at, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v); }

// One clipped glyph row: `count` view pixels under `count` sheet pixels,
// four at a time, reading and writing nothing outside the row. A row whose
// width is not a multiple of four ends with a group that overlaps the one
// before it; that group is blended from the row as it was before any store,
// so its overlapping pixels get the same bits as the earlier group gave
// them, not a second blend. Rows of fewer than four go pixel by pixel.
void blendRowWithin(uint32_t* target, const uint32_t* sheet, int64_t count, const TextBlend& blend)
{
    if (count < 4) {
        for (int64_t c = 0; c < count; ++c) {
            const __m128i t = _mm_cvtsi32_si128(static_cast<int32_t>(target[c]));
            const __m128i s = _mm_cvtsi32_si128(static_cast<int32_t>(sheet[c]));
            target[c] = static_cast<uint32_t>(_mm_cvtsi128_si32(blend.blend(t, s)));
        }
        return;
    }
    const int64_t last = count - 4;
    const __m128i lastGroup = blend.blend(loadGroup(target + last), loadGroup(sheet + last));
    for (int64_t c = 0; c < last; c += 4)
        storeGroup(target + c, blend.blend(loadGroup(target + c), loadGroup(sheet + c)));
    storeGroup(target + last, lastGroup);
}

// The same row where the buffers go on past its last group of four: the
// pixels of that group beyond the row count as uncovered, so the store gives
// them back the bits just read.
inline void blendRowPadded(uint32_t* target, const uint32_t* sheet, int64_t count, const TextBlend& blend)
{
    int64_t c = 0;
    for (; c + 4 <= count; c += 4)
        storeGroup(target + c, blend.blend(loadGroup(target + c), loadGroup(sheet + c)));
    if (c == count)
        return;
    const __m128i inRow = _mm_cmplt_epi32(_mm_setr_epi32(0, 1, 2, 3), _mm_set1_epi32(static_cast<int32_t>(count - c)));
    storeGroup(target + c, blend.blend(loadGroup(target + c), _mm_and_si128(inRow, loadGroup(sheet + c))));
}

constexpr int64_t kGroup = 4;
#else
// blendOver of one colour at one strength, as a table per colour byte: a
// text's pixels all blend toward the same colour, so each byte's result is
// looked up rather than multiplied out.
struct BlendTable {
    uint8_t byte[3][256]; // blue, green, red

    explicit BlendTable(uint32_t colour)
    {
        // blendOver's per-byte step, t + (((k - t) * a) >> 8), for every t.
        const int32_t alpha = static_cast<int32_t>(colour >> 24);
        for (int channel = 0; channel < 3; ++channel) {
            const int32_t k = static_cast<int32_t>((colour >> (8 * channel)) & 0xFF);
            for (int32_t t = 0; t < 256; ++t)
                byte[channel][t] = static_cast<uint8_t>(t + (((k - t) * alpha) >> 8));
        }
    }
    uint32_t blend(uint32_t target) const
    {
        return (target & 0xFF000000u) | byte[0][target & 0xFF] | uint32_t(byte[1][(target >> 8) & 0xFF]) << 8 |
               uint32_t(byte[2][(target >> 16) & 0xFF]) << 16;
    }
};

using TextBlend = BlendTable;

void blendRowWithin(uint32_t* target, const uint32_t* sheet, int64_t count, const TextBlend& blend)
{
    for (int64_t c = 0; c < count; ++c) {
        if ((sheet[c] & 0xFF) != 0) // blue 0: no coverage
            target[c] = blend.blend(target[c]);
    }
}

inline void blendRowPadded(uint32_t* target, const uint32_t* sheet, int64_t count, const TextBlend& blend)
{
    blendRowWithin(target, sheet, count, blend);
}

constexpr int64_t kGroup = 1;
#endif

// Draws one glyph with the pen at (x, y), clipped to the view. Only the
// part of the glyph's rectangle that lies on the sheet is read: the rest has
// no coverage, so a bad rectangle or a missing sheet draws nothing. The
// clipping is worked out once per glyph, as the range of its rows and
// columns that land on the view, rather than tested per pixel.
void drawGlyph(uint8_t code, const BitmapFont& font, uint32_t* view, int32_t x, int32_t y, const TextBlend& blend)
{
    const CImage* sheet = font.sheet;
    if (sheet == nullptr || sheet->pixels == nullptr)
        return;
    const Glyph& g = font.glyphs[code];
    const int64_t left = int64_t(x) + g.xoffset; // view column of glyph column 0
    const int64_t top = int64_t(y) + g.yoffset;  // view row of glyph row 0

    // Glyph rows and columns whose sheet pixel exists and that land on the view.
    const int64_t firstRow = std::max<int64_t>({0, -int64_t(g.y), -top});
    const int64_t endRow = std::min<int64_t>({g.height, int64_t(sheet->height) - g.y, kViewHeight - top});
    const int64_t firstColumn = std::max<int64_t>({0, -int64_t(g.x), -left});
    const int64_t endColumn = std::min<int64_t>({g.width, int64_t(sheet->width) - g.x, kViewWidth - left});
    if (firstColumn >= endColumn)
        return;

    if (firstRow >= endRow)
        return;

    // Offsets of the first clipped pixel of the first drawn row on the sheet
    // and in the view.
    const int64_t count = endColumn - firstColumn;
    const int64_t sheetAt = (g.y + firstRow) * sheet->bufferWidth + g.x + firstColumn;
    const int64_t viewAt = (top + firstRow) * kViewWidth + left + firstColumn;
    // Whether the last row's last group of pixels still lies in both buffers,
    // so that every row may read and write whole groups.
    const int64_t rows = endRow - firstRow;
    const int64_t groupEnd = (count + kGroup - 1) / kGroup * kGroup;
    const bool padded = sheetAt + (rows - 1) * sheet->bufferWidth + groupEnd <=
                            int64_t(sheet->bufferWidth) * sheet->bufferHeight &&
                        viewAt + (rows - 1) * kViewWidth + groupEnd <= int64_t(kViewWidth) * kViewHeight;
    uint32_t* target = view + viewAt;
    const uint32_t* source = sheet->pixels + sheetAt;
    if (padded) {
        for (int64_t r = 0; r < rows; ++r, target += kViewWidth, source += sheet->bufferWidth)
            blendRowPadded(target, source, count, blend);
    } else {
        for (int64_t r = 0; r < rows; ++r, target += kViewWidth, source += sheet->bufferWidth)
            blendRowWithin(target, source, count, blend);
    }
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
    const TextBlend blend(colour);
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
