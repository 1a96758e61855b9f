#include "app/composition.h"

#include "gfx/frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kStripLeft = 32;
constexpr int kStripMiddle = 120;
constexpr int kTallestStrip = 101; // half height at full scale

constexpr int kScrollerLeft = 32;
constexpr int64_t kScrollerRoom = 230; // widths up to this stay still
constexpr int kScrollerShadowY = 224;
constexpr int kScrollerTextY = 222;

constexpr int kInfoCell = 6; // the small font's fixed cell

// Height of the strip above (and below) the middle row: 1 for silence, 101
// at full scale, 0 for a magnitude that gives no number.
int stripHalfHeight(float magnitude)
{
    float v = static_cast<float>(std::pow(double(magnitude), double(0.1f)));
    if (v > 1.0f)
        v = 1.0f;
    const double j = (double(v) + 0.01) * 100.0;
    if (!(j >= 1.0))
        return 0; // too quiet to reach a row, or not a number
    return static_cast<int>(j);
}

int64_t advanceWidth(const BitmapFont& font, const char* text)
{
    int64_t width = 0;
    for (const char* p = text; *p != '\0'; ++p)
        width += font.glyphs[static_cast<uint8_t>(*p)].xadvance;
    return width;
}

// Swings a text wider than the room from its start at 32 to where its right
// part shows and back, following the time since the track started.
int32_t scrollerX(int64_t width, uint32_t trackStartTick, uint32_t now)
{
    if (width <= kScrollerRoom)
        return kScrollerLeft;
    const double t = static_cast<double>(static_cast<uint32_t>(now - trackStartTick));
    const double x = kScrollerLeft - (1.0 - (std::cos(t / 2000.0) + 1.0) * 0.5) * double(width - kScrollerRoom);
    // Only absurd glyph advances get near the limits of the pen's range.
    return static_cast<int32_t>(std::clamp(x, -1.0e9, 1.0e9));
}

// Keeps a start position computed from absurd measures within the pen's range.
int32_t penPosition(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, -1000000000, 1000000000));
}

} // namespace

namespace {

// The strips are darkened in groups of four neighbouring columns.
constexpr int kStripGroup = 4;
constexpr int kStripGroups = kSpectrumBins / kStripGroup;

// Each strip's half height and darkening, and the groups of strips ordered
// by their tallest strip, so that the groups a row reaches are the first
// ones of that order.
struct Strips {
    int32_t half[kSpectrumBins];
    uint32_t strength[kSpectrumBins]; // 2 x half in the blue, green and red bytes
    int32_t groupTallest[kStripGroups];
    uint8_t tallestFirst[kStripGroups];
};

void measureStrips(Strips& strips, const float* spectrum)
{
    int32_t groupsOfHeight[kTallestStrip + 1] = {};
    for (int g = 0; g < kStripGroups; ++g) {
        int32_t tallest = 0;
        for (int i = g * kStripGroup; i < (g + 1) * kStripGroup; ++i) {
            strips.half[i] = stripHalfHeight(spectrum[i]);
            strips.strength[i] = static_cast<uint32_t>(2 * strips.half[i]) * 0x010101u;
            tallest = std::max(tallest, strips.half[i]);
        }
        strips.groupTallest[g] = tallest;
        ++groupsOfHeight[tallest];
    }
    // A counting sort, tallest first.
    int32_t next[kTallestStrip + 1];
    int32_t at = 0;
    for (int h = kTallestStrip; h >= 0; --h) {
        next[h] = at;
        at += groupsOfHeight[h];
    }
    for (int g = 0; g < kStripGroups; ++g)
        strips.tallestFirst[next[strips.groupTallest[g]]++] = static_cast<uint8_t>(g);
}

#if defined(__SSE2__)
// Darkening by S takes c to c - ceil(c * S / 256), which is the floor of
// c * (256 - S) / 256: the high half of (c << 8) * (256 - S) in 16-bit lanes.
// A strength of 0 (the strip does not reach, or the alpha byte) multiplies
// by 256 and leaves the byte as it is.
void darkenGroup(uint32_t* pixels, const int32_t* half, const uint32_t* strength, int32_t reach)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i whole = _mm_set1_epi16(256);
    const __m128i reaches = _mm_cmpgt_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(half)),
                                            _mm_set1_epi32(reach - 1));
    const __m128i s = _mm_and_si128(reaches, _mm_loadu_si128(reinterpret_cast<const __m128i*>(strength)));
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    const __m128i low = _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, p), _mm_sub_epi16(whole, _mm_unpacklo_epi8(s, zero)));
    const __m128i high = _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, p), _mm_sub_epi16(whole, _mm_unpackhi_epi8(s, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), _mm_packus_epi16(low, high));
}
#else
// blendOver toward black, spelled out per channel: c + ((-(c * S)) >> 8),
// that is c - ceil(c * S / 256).
inline uint32_t darken(uint32_t pixel, int32_t alpha)
{
    const auto channel = [&](int shift) {
        const int32_t t = static_cast<int32_t>((pixel >> shift) & 0xFF);
        return static_cast<uint32_t>(t + ((-t * alpha) >> 8)) << shift;
    };
    return (pixel & 0xFF000000u) | channel(16) | channel(8) | channel(0);
}

void darkenGroup(uint32_t* pixels, const int32_t* half, const uint32_t*, int32_t reach)
{
    for (int i = 0; i < kStripGroup; ++i)
        if (half[i] >= reach)
            pixels[i] = darken(pixels[i], 2 * half[i]);
}
#endif

} // namespace

// A strip of half height j covers rows middle - j to middle + j - 1 and
// darkens them by 2j (at most 202: never black). The rows are taken in
// pairs from the middle out, both at the same distance, each over the
// groups of strips that reach that far: as the distance grows, groups drop
// off the end of the tallest-first order.
void drawSpectrum(uint32_t* view, const float* spectrum)
{
    Strips strips;
    measureStrips(strips, spectrum);
    int reaching = kStripGroups;
    for (int32_t reach = 1;; ++reach) {
        while (reaching > 0 && strips.groupTallest[strips.tallestFirst[reaching - 1]] < reach)
            --reaching;
        if (reaching == 0)
            break;
        uint32_t* above = view + (kStripMiddle - reach) * kViewWidth + kStripLeft;
        uint32_t* below = view + (kStripMiddle + reach - 1) * kViewWidth + kStripLeft;
        for (int k = 0; k < reaching; ++k) {
            const int column = strips.tallestFirst[k] * kStripGroup;
            darkenGroup(above + column, strips.half + column, strips.strength + column, reach);
            darkenGroup(below + column, strips.half + column, strips.strength + column, reach);
        }
    }
}

void drawScroller(uint32_t* view, const BitmapFont& largeFont, const char* scrollerText, uint32_t trackStartTick,
                  uint32_t now)
{
    if (scrollerText == nullptr)
        return;
    const int32_t x = scrollerX(advanceWidth(largeFont, scrollerText), trackStartTick, now);
    drawText(scrollerText, largeFont, view, x, kScrollerShadowY, 0x40000000u);
    drawText(scrollerText, largeFont, view, x - 2, kScrollerTextY, 0xFFFFFFFFu);
}

void drawInfoText(uint32_t* view, const BitmapFont& smallFont, const TrackEntry& track)
{
    if (track.infoText == nullptr)
        return;
    // Centred on the fixed cell; integer division truncates toward zero, and
    // a text too large for the view starts above or left of it and is clipped.
    const int32_t x = penPosition((kViewWidth - int64_t(track.infoColumns) * kInfoCell) / 2);
    const int32_t y = penPosition((kViewHeight - int64_t(track.infoLineBreaks) * kInfoCell) / 2);
    drawText(track.infoText, smallFont, view, x + 1, y + 1, 0x80000000u);
    drawText(track.infoText, smallFont, view, x, y, 0xFFFFFFFFu);
}

void copyView(uint32_t* window, const uint32_t* view)
{
    for (int row = 0; row < kViewHeight; ++row)
        std::memcpy(window + (kViewTop + row) * kWindowWidth + kViewLeft, view + row * kViewWidth,
                    kViewWidth * sizeof(uint32_t));
}
