#include "gfx/effects/passes.h"
#include "gfx/frame.h"

namespace {

// A quarter of the brightness on each colour byte, the alpha byte kept.
inline uint32_t quarterBrightness(uint32_t pixel)
{
    return (pixel & 0xFF000000u) | ((pixel >> 2) & 0x003F3F3Fu);
}

} // namespace

void DrawWarpBackground(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const uint8_t* sine = effects.sineTable;
    // The clock taken as signed: past 2^31 ms t turns negative, and only the
    // low 8 bits of every index matter, so unsigned wrap-around gives the
    // same indices without signed overflow.
    const int32_t t = static_cast<int32_t>(ms) / 20;
    const uint32_t ut = static_cast<uint32_t>(t);

    // Table values never exceed 254, so rows and columns stay in 0..31: only
    // the top-left quarter of the texture is ever shown. Dim it once.
    uint32_t dimmed[32 * 32];
    for (int row = 0; row < 32; ++row)
        for (int col = 0; col < 32; ++col)
            dimmed[row * 32 + col] = quarterBrightness(texture.pixels[row * kTextureSize + col]);
    uint8_t shifted[256];
    for (int i = 0; i < 256; ++i)
        shifted[i] = static_cast<uint8_t>(sine[i] >> 3);

    // The horizontal wave depends on the column only: 64 + 3a per column.
    uint8_t rowTerm[kViewWidth];
    uint8_t columnTerm[kViewWidth];
    for (int x = 0; x < kViewWidth; ++x) {
        const uint32_t a = sine[(2 * ut + 64 + static_cast<uint32_t>(x)) & 255];
        rowTerm[x] = static_cast<uint8_t>(64 + 3 * a);
        columnTerm[x] = static_cast<uint8_t>(3 * x);
    }

    for (int y = 0; y < kViewHeight; ++y) {
        const uint32_t b = sine[(3 * ut + 12 + static_cast<uint32_t>(y)) & 255];
        const uint8_t rowBase = static_cast<uint8_t>(2 * y);
        const uint8_t columnBase = static_cast<uint8_t>(2 * b - 128);
        uint32_t* out = view + y * kViewWidth;
        for (int x = 0; x < kViewWidth; ++x) {
            const uint32_t row = shifted[static_cast<uint8_t>(rowBase + rowTerm[x])];
            const uint32_t col = shifted[static_cast<uint8_t>(columnTerm[x] + columnBase)];
            out[x] = dimmed[row * 32 + col];
        }
    }
}
