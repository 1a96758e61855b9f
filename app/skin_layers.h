// What the skin overlay decides per pixel, shared by the straightforward
// overlay and the kept skin: which layer a pixel shows and whether that
// layer's pixel is the green key the view shows through.
#pragma once

#include "app/control_colours.h"
#include "gfx/frame.h"
#include "gfx/image.h"

#include <cstdint>

namespace skin {

constexpr uint32_t kColourBits = 0x00FFFFFFu;
constexpr uint32_t kGreenKey = 0x0000FF00u; // where the view shows through
constexpr int kKnobLeft = 33;
constexpr int kNoKnobRow = -1000000; // the knob lies nowhere on the window

inline bool coversWindow(const CImage& image)
{
    return image.pixels != nullptr && image.width == kWindowWidth && image.height == kWindowHeight &&
           image.bufferWidth == kWindowWidth;
}

inline bool isGreenKey(uint32_t skinPixel) { return (skinPixel & kColourBits) == kGreenKey; }

// Play is lit while the track plays or is paused, stop otherwise.
inline uint32_t lampColour(bool streamActive, bool paused)
{
    return (streamActive || paused) ? control::kPlay : control::kStop;
}

// Picks the layer for one pixel; later rules win, so a lit control shows lit
// even under the mouse.
inline const uint32_t* layerFor(uint32_t h, const CImage& normal, const CImage& hover, const CImage& active,
                                uint32_t hoverColour, bool paused, bool shuffle, uint32_t lamp)
{
    const uint32_t* layer = normal.pixels;
    if ((hoverColour & kColourBits) != 0 && h == hoverColour)
        layer = hover.pixels;
    if (h == control::kPause && paused)
        layer = active.pixels;
    else if (h == control::kShuffle && shuffle)
        layer = active.pixels;
    if (h == lamp)
        layer = active.pixels;
    return layer;
}

// The knob's top row for a volume, or kNoKnobRow when it lies nowhere on the
// window (or the volume is not a number).
inline int knobTopRow(float volume)
{
    const double top = (1.0 - double(volume)) * 74.0 + 13.0;
    if (!(top > -kWindowHeight && top < kWindowHeight))
        return kNoKnobRow;
    return static_cast<int>(top);
}

} // namespace skin
