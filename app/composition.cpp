#include "app/composition.h"

#include "gfx/frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

// blendOver toward black, spelled out per channel so that a row of them
// vectorizes.
inline uint32_t darken(uint32_t pixel, int32_t alpha)
{
    const auto channel = [&](int shift) {
        const int32_t t = static_cast<int32_t>((pixel >> shift) & 0xFF);
        return static_cast<uint32_t>(t + ((-t * alpha) >> 8)) << shift;
    };
    return (pixel & 0xFF000000u) | channel(16) | channel(8) | channel(0);
}

// Row by row rather than strip by strip: each row is one pass over
// neighbouring pixels that the compiler can vectorize, where a strip walks
// down a column, a cache line per pixel.
void drawSpectrum(uint32_t* view, const float* spectrum)
{
    int32_t half[kSpectrumBins];
    int32_t tallest = 0;
    for (int i = 0; i < kSpectrumBins; ++i) {
        half[i] = stripHalfHeight(spectrum[i]);
        tallest = std::max(tallest, half[i]);
    }
    for (int y = kStripMiddle - tallest; y < kStripMiddle + tallest; ++y) {
        // A strip of half height j covers rows middle - j to middle + j - 1,
        // and darkens them by 2j (at most 202: never black).
        const int32_t reach = y < kStripMiddle ? kStripMiddle - y : y - kStripMiddle + 1;
        uint32_t* row = view + y * kViewWidth + kStripLeft;
        uint32_t out[kSpectrumBins];
        for (int i = 0; i < kSpectrumBins; ++i)
            out[i] = half[i] >= reach ? darken(row[i], 2 * half[i]) : row[i];
        std::memcpy(row, out, sizeof out);
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
