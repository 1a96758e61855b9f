#include "effects_reference.h"

#include "gfx/frame.h"

#include <climits>
#include <cmath>
#include <cstdlib>

namespace reference {

void DrawWarpBackground(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const uint8_t* sine = effects.sineTable;
    const int32_t t = static_cast<int32_t>(ms) / 20;
    for (int32_t y = 0; y < 240; ++y) {
        for (int32_t x = 0; x < 320; ++x) {
            const int32_t a = sine[static_cast<uint32_t>(2 * t + 64 + x) & 255];
            const int32_t row = sine[(64 + 2 * y + 3 * a) & 255] >> 3;
            const int32_t b = sine[static_cast<uint32_t>(3 * t + 12 + y) & 255];
            const int32_t col = sine[(3 * x + 2 * b - 128) & 255] >> 3;
            const uint32_t p = texture.pixels[(row & 63) * 64 + (col & 63)];
            uint32_t out = p & 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8)
                out |= (((p >> shift) & 0xFF) >> 2) << shift;
            view[y * 320 + x] = out;
        }
    }
}

void DrawTwister(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const CImage& hm = *effects.heightMap;
    const uint32_t t = ms / 30;
    for (int y = 0; y < 240; ++y) {
        const float turnAngle = static_cast<float>(static_cast<double>(2 * t + y) * (1.0 / 32));
        const float turn = singleSine(turnAngle);
        const uint32_t c = t + static_cast<uint32_t>(static_cast<int32_t>(turn * 32.0 + 32.0));
        const int texRow = (y % texture.bufferHeight) * texture.bufferWidth;
        const int hRow = (y % hm.bufferHeight) * hm.bufferWidth;
        auto w = [&](int k) {
            const float s = singleSine(static_cast<float>(k * (1.0 / 128) * 3.14159265));
            const int32_t h = static_cast<int32_t>(hm.pixels[hRow + (c + k) % hm.bufferWidth] & 0xFF);
            return static_cast<int32_t>(s * static_cast<double>(h + 128) * 0.25);
        };
        auto colour = [&](int k) { return texture.pixels[texRow + (c + k) % texture.bufferWidth]; };
        uint32_t* out = view + y * 320;
        for (int k = 0; k < 128; ++k) {
            const int32_t wk = w(k);
            if (wk > 0)
                for (int x = 160 - wk; x <= 159; ++x)
                    out[x] = colour(k);
        }
        for (int k = 255; k >= 128; --k) {
            const int32_t wk = w(k);
            for (int x = 160; x <= 160 - wk; ++x)
                out[x] = colour(k);
        }
    }
}

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

void DrawVoxelTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const CImage& hm = *effects.heightMap;
    const float a = static_cast<float>(static_cast<double>(ms) / 4000);
    const int32_t camX = static_cast<int32_t>(static_cast<double>(singleSine(a)) * 32 * 256 + 32768);
    const int32_t camY = static_cast<int32_t>(static_cast<double>(singleCosine(a)) * 32 * 256 + 32768);
    const int32_t camH = reference::SampleHeight(hm, camX, camY) + 80;
    for (int i = 0; i < 320; ++i) {
        const float ang = static_cast<float>(i / 320.0 * 1.5 + a);
        const int32_t dx = static_cast<int32_t>(static_cast<double>(singleCosine(ang)) * 128);
        const int32_t dy = static_cast<int32_t>(static_cast<double>(singleSine(ang)) * 128);
        int32_t x = camX, y = camY, drawn = 0;
        for (int32_t z = 1; z <= 253; z += 4) {
            const int32_t h = reference::SampleHeight(hm, x, y);
            int32_t p = (h - camH) * 64 / z + 100;
            if (p > drawn) {
                if (p > 239)
                    p = 239;
                if (p > drawn) {
                    const uint32_t colour = texture.pixels[((y / 256) & 63) * 64 + ((x / 256) & 63)];
                    for (int32_t row = 239 - drawn; row >= 240 - p; --row)
                        view[row * 320 + i] = colour;
                    drawn = p;
                }
            }
            x += dx;
            y += dy;
        }
    }
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
