// The rotozoom, compiled once per vector target (see gfx/simd_target.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "gfx/effects/rotozoom.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "gfx/effects/texel_fetch-inl.h"

#include "gfx/effects/passes.h"
#include "gfx/frame.h"

HWY_BEFORE_NAMESPACE();
namespace q2_rotozoom {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

void DrawOnTarget(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128
    plain::DrawRotozoom(effects, texture, view, ms);
#else
    const hn::ScalableTag<uint32_t> d;
    const size_t lanes = hn::Lanes(d);
    if (kViewWidth % lanes != 0)
        return plain::DrawRotozoom(effects, texture, view, ms);
    const uint32_t t = ms / 20;
    const uint32_t s = effects.sineTable[t & 255];
    const uint32_t c = effects.sineTable[(t + 64) & 255];
    // The plain form's sums, a row's pixels in the lanes, in the same
    // wrapping unsigned arithmetic.
    const auto laneU = hn::Mul(hn::Iota(d, 0), hn::Set(d, c));
    const auto laneV = hn::Mul(hn::Iota(d, 0), hn::Set(d, s));
    const auto stepU = hn::Set(d, static_cast<uint32_t>(lanes) * c);
    const auto stepV = hn::Set(d, static_cast<uint32_t>(lanes) * s);
    const auto low6 = hn::Set(d, 63u);
    const hn::RebindToSigned<decltype(d)> di;
    uint32_t rowU = 0u - 125u * t;
    uint32_t rowV = 0u - 270u * t;
    for (int y = 0; y < kViewHeight; ++y) {
        auto u = hn::Add(hn::Set(d, rowU), laneU);
        auto v = hn::Add(hn::Set(d, rowV), laneV);
        uint32_t* out = view + y * kViewWidth;
        for (int x = 0; x < kViewWidth; x += static_cast<int>(lanes)) {
            // Bits 8..13 of v pick the row, of u the column.
            const auto index = hn::Or(hn::ShiftLeft<6>(hn::And(hn::ShiftRight<8>(v), low6)),
                                      hn::And(hn::ShiftRight<8>(u), low6));
            q2_texels::HWY_NAMESPACE::storeTexels(di, texture.pixels, hn::BitCast(di, index), out + x);
            u = hn::Add(u, stepU);
            v = hn::Add(v, stepV);
        }
        rowU -= s;
        rowV += c;
    }
#endif
}

} // namespace HWY_NAMESPACE
} // namespace q2_rotozoom
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace q2_rotozoom {
HWY_EXPORT(DrawOnTarget);
} // namespace q2_rotozoom

void plain::DrawRotozoom(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const uint32_t t = ms / 20;
    // The table's +127 offset stays in: S and C are 0..254.
    const uint32_t s = effects.sineTable[t & 255];
    const uint32_t c = effects.sineTable[(t + 64) & 255];
    // 8.8 fixed point in wrapping unsigned arithmetic: only bits 8..13 of u
    // and v pick the texel.
    const uint32_t uStart = 0u - 125u * t;
    const uint32_t vStart = 0u - 270u * t;
    for (uint32_t y = 0; y < kViewHeight; ++y) {
        for (uint32_t x = 0; x < kViewWidth; ++x) {
            const uint32_t u = uStart + x * c - y * s;
            const uint32_t v = vStart + x * s + y * c;
            view[y * kViewWidth + x] = texture.pixels[((v >> 8) & 63) * 64 + ((u >> 8) & 63)];
        }
    }
}

void DrawRotozoom(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    HWY_DYNAMIC_DISPATCH(q2_rotozoom::DrawOnTarget)(effects, texture, view, ms);
}
#endif
