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

// One row of strips: each pixel whose strip reaches the row is darkened by
// the strip's strength. `half` is each strip's half height, `strength` its
// darkening (2 x half) copied into its blue, green and red bytes.
#if defined(__SSE2__)
// Four pixels at a time in 16-bit lanes: c * S + 255 stays below 65536 for
// bytes (S < 256), so c - ((c * S + 255) >> 8) is the ceiling above exactly,
// and a strength of 0 (the strip does not reach, or the alpha byte) leaves
// the byte as it is. Groups of four that no strip reaches are skipped.
void darkenRow(uint32_t* row, const int32_t* half, const uint32_t* strength, int32_t reach)
{
    const __m128i below = _mm_set1_epi32(reach - 1);
    const __m128i zero = _mm_setzero_si128();
    const __m128i round = _mm_set1_epi16(255);
    for (int i = 0; i < kSpectrumBins; i += 4) {
        const __m128i reaches = _mm_cmpgt_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(half + i)), below);
        if (_mm_movemask_epi8(reaches) == 0)
            continue;
        const __m128i s = _mm_and_si128(reaches, _mm_loadu_si128(reinterpret_cast<const __m128i*>(strength + i)));
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const auto darkenHalf = [&](__m128i c, __m128i k) {
            const __m128i cut = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(c, k), round), 8);
            return _mm_sub_epi16(c, cut);
        };
        const __m128i low = darkenHalf(_mm_unpacklo_epi8(p, zero), _mm_unpacklo_epi8(s, zero));
        const __m128i high = darkenHalf(_mm_unpackhi_epi8(p, zero), _mm_unpackhi_epi8(s, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_packus_epi16(low, high));
    }
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

void darkenRow(uint32_t* row, const int32_t* half, const uint32_t*, int32_t reach)
{
    uint32_t out[kSpectrumBins];
    for (int i = 0; i < kSpectrumBins; ++i)
        out[i] = half[i] >= reach ? darken(row[i], 2 * half[i]) : row[i];
    std::memcpy(row, out, sizeof out);
}
#endif

} // namespace

// Row by row rather than strip by strip: each row is one pass over
// neighbouring pixels, where a strip walks down a column, a cache line per
// pixel.
void drawSpectrum(uint32_t* view, const float* spectrum)
{
    int32_t half[kSpectrumBins];
    uint32_t strength[kSpectrumBins];
    int32_t tallest = 0;
    for (int i = 0; i < kSpectrumBins; ++i) {
        half[i] = stripHalfHeight(spectrum[i]);
        strength[i] = static_cast<uint32_t>(2 * half[i]) * 0x010101u;
        tallest = std::max(tallest, half[i]);
    }
    for (int y = kStripMiddle - tallest; y < kStripMiddle + tallest; ++y) {
        // A strip of half height j covers rows middle - j to middle + j - 1,
        // and darkens them by 2j (at most 202: never black).
        const int32_t reach = y < kStripMiddle ? kStripMiddle - y : y - kStripMiddle + 1;
        darkenRow(view + y * kViewWidth + kStripLeft, half, strength, reach);
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
