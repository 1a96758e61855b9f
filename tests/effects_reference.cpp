#include "effects_reference.h"

#include "gfx/frame.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace reference {

int32_t SampleHeight(const CImage& heightMap, int32_t x, int32_t y)
{
    const int32_t xi = (x >> 8) & 255, yi = (y >> 8) & 255;
    const int32_t xn = ((x >> 8) + 1) & 255, yn = ((y >> 8) + 1) & 255;
    const int32_t fx = x & 255, fy = y & 255;
    auto h = [&](int32_t row, int32_t col) { return static_cast<int32_t>(heightMap.pixels[row * 256 + col] & 0xFF); };
    const int32_t top = h(yi, xi) + (h(yi, xn) - h(yi, xi)) * fx / 256;
    const int32_t bottom = h(yn, xi) + (h(yn, xn) - h(yn, xi)) * fx / 256;
    return top + (bottom - top) * fy / 256;
}

} // namespace reference

std::unique_ptr<CImage> makeImage(int width, int height, uint32_t fill)
{
    auto image = std::make_unique<CImage>(nullptr, 0);
    image->pixels = new uint32_t[static_cast<size_t>(width) * height];
    for (int i = 0; i < width * height; ++i)
        image->pixels[i] = fill;
    image->width = image->bufferWidth = width;
    image->height = image->bufferHeight = height;
    return image;
}

void makeFlatState(EffectState& effects, uint32_t height, uint32_t texel)
{
    BuildSineTable(effects.sineTable);
    effects.heightMap = makeImage(256, 256, height);
    for (auto& texture : effects.textures)
        texture = makeImage(64, 64, texel);
    effects.paletteStrip = makeImage(32, 1);
    for (int i = 0; i < 32; ++i)
        effects.paletteStrip->pixels[i] = 0xFF000000u | static_cast<uint32_t>(i);
}

EffectState& embeddedEffects()
{
    static EffectState* effects = [] {
        auto* state = new EffectState;
        if (!InitEffects(*state))
            std::abort();
        return state;
    }();
    return *effects;
}

const std::vector<uint32_t>& sampleTimes()
{
    static const std::vector<uint32_t> times = [] {
        std::vector<uint32_t> t = {0u, 1u, 19u, 20u, 4999u, 49999u, 50000u, 123456u, 16777217u,
                                   2147483647u, 2147483648u, 2147483667u, 4294967295u};
        uint32_t x = 12345u;
        for (int i = 0; i < 24; ++i) {
            x = x * 1664525u + 1013904223u;
            t.push_back(x);
        }
        return t;
    }();
    return times;
}
