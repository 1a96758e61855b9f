#include "app/controls.h"

#include "app/skin_layers.h"
#include "gfx/frame.h"

#include <cmath>
#include <cstring>

namespace {

using skin::coversWindow;
using skin::kColourBits;

const uint32_t* layerFor(uint32_t h, const SkinImages& images, uint32_t hoverColour, bool paused, bool shuffle,
                         uint32_t lampColour)
{
    return skin::layerFor(h, images.normal, images.hover, images.active, hoverColour, paused, shuffle, lampColour);
}

// The skin's pixel, unless it is the green key that lets the view through.
inline uint32_t keyed(uint32_t skinPixel, uint32_t windowPixel)
{
    return !skin::isGreenKey(skinPixel) ? skinPixel : windowPixel;
}

// Pixels are taken in blocks: most blocks hold no control at all (every
// control colour has colour bits, the background has none), and those show
// the normal layer through a loop simple enough for the compiler to
// vectorize. This is most of the frame's time otherwise.
constexpr int kBlock = 8;

void layTheSkin(uint32_t* window, const SkinImages& images, uint32_t hoverColour, bool streamActive, bool paused,
                bool shuffle)
{
    const uint32_t lampColour = skin::lampColour(streamActive, paused);
    const uint32_t* hitMap = images.hitMap.pixels;
    const uint32_t* normal = images.normal.pixels;
    const auto layPixel = [&](int k) {
        window[k] = keyed(layerFor(hitMap[k], images, hoverColour, paused, shuffle, lampColour)[k], window[k]);
    };
    constexpr int total = kWindowWidth * kWindowHeight;
    int k = 0;
    for (; k + kBlock <= total; k += kBlock) {
        uint32_t controlBits = 0;
        for (int i = 0; i < kBlock; ++i)
            controlBits |= hitMap[k + i] & kColourBits;
        if (controlBits == 0) {
            // Through a local block, so the compiler need not fear that
            // the window and the layer overlap.
            uint32_t block[kBlock];
            for (int i = 0; i < kBlock; ++i)
                block[i] = keyed(normal[k + i], window[k + i]);
            std::memcpy(window + k, block, sizeof block);
        } else {
            for (int i = 0; i < kBlock; ++i)
                layPixel(k + i);
        }
    }
    for (; k < total; ++k)
        layPixel(k);
}

void blendKnob(uint32_t* window, const CImage& knob, float volume)
{
    if (knob.pixels == nullptr)
        return;
    const int y0 = skin::knobTopRow(volume);
    if (y0 == skin::kNoKnobRow)
        return;
    for (int r = 0; r < knob.height; ++r) {
        const int y = y0 + r;
        if (y < 0 || y >= kWindowHeight)
            continue;
        for (int c = 0; c < knob.width && skin::kKnobLeft + c < kWindowWidth; ++c) {
            const uint32_t s = knob.pixels[r * knob.bufferWidth + c];
            uint32_t& d = window[y * kWindowWidth + skin::kKnobLeft + c];
            d = blendOver(d, s, static_cast<int32_t>(s >> 24));
        }
    }
}

} // namespace

void overlaySkin(uint32_t* window, const SkinImages& skin, uint32_t hoverColour, bool streamActive, bool paused,
                 bool shuffle, float volume)
{
    // A layer of the wrong size (a damaged asset) would be read past its end.
    if (coversWindow(skin.normal) && coversWindow(skin.hover) && coversWindow(skin.active) &&
        coversWindow(skin.hitMap))
        layTheSkin(window, skin, hoverColour, streamActive, paused, shuffle);
    blendKnob(window, skin.knob, volume);
}
