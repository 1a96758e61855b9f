#include "app/composition.h"

#include "gfx/frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kScrollerLeft = 32;
constexpr int64_t kScrollerRoom = 230; // widths up to this stay still
constexpr int kScrollerShadowY = 224;
constexpr int kScrollerTextY = 222;

constexpr int kInfoCell = 6; // the small font's fixed cell

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
