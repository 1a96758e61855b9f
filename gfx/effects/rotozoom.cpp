#include "gfx/effects/passes.h"
#include "gfx/frame.h"

void DrawRotozoom(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const uint32_t t = ms / 20;
    // The table's +127 offset stays in: S and C are 0..254.
    const uint32_t s = effects.sineTable[t & 255];
    const uint32_t c = effects.sineTable[(t + 64) & 255];
    // 8.8 fixed point in unsigned 32-bit arithmetic: only bits 8..13 of u and
    // v pick the texel, so the wrap-around of the sums is harmless.
    uint32_t rowU = 0u - 125u * t;
    uint32_t rowV = 0u - 270u * t;
    const uint32_t* texels = texture.pixels;
    for (int y = 0; y < kViewHeight; ++y) {
        uint32_t u = rowU;
        uint32_t v = rowV;
        uint32_t* out = view + y * kViewWidth;
        for (int x = 0; x < kViewWidth; ++x) {
            out[x] = texels[((v >> 2) & (63u << 6)) | ((u >> 8) & 63u)];
            u += c;
            v += s;
        }
        rowU -= s;
        rowV += c;
    }
}
