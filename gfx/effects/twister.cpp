// The twisting column: a plain form run by run, and one vector form
// compiled for every target (this file is included once per target by
// Highway's foreach_target.h).
#ifndef TWISTER_SHARED
#define TWISTER_SHARED

#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int kCentre = 160;
constexpr int kSteps = 256;
constexpr int kHalf = kSteps / 2;

// s(k), the sine of step k's angle in single precision.
float stepSine(int k)
{
    return singleSine(static_cast<float>(k * (1.0 / 128) * 3.14159265));
}

// Where row y's steps start in the rows of the height map and the texture.
uint32_t firstStep(uint32_t t, int y)
{
    const float turn = singleSine(static_cast<float>(static_cast<double>(2 * t + static_cast<uint32_t>(y)) * 0.03125));
    return t + static_cast<uint32_t>(static_cast<int32_t>(static_cast<double>(turn) * 32 + 32));
}

// The vector form finds each step's w = trunc(s(k) * (h + 128) * 0.25) in
// 32-bit integers. |s(k)| is M * 2^-S' with M a 24-bit integer (the float's
// significand), so |w| = floor(M * H / 2^S), S = S' + 2, H = h + 128 < 2^9.
// M * H needs 33 bits; with M = Mh * 2^12 + Ml the quotient is exactly
// floor((Mh * H + floor(Ml * H / 2^12)) / 2^(S - 12)), every term in 32 bits.
// S - 12 is at least 13; from 31 on the quotient is 0 (the sum stays below
// 2^22), so the shift is capped there.
struct StepScales {
    alignas(64) uint32_t high[kSteps];
    alignas(64) uint32_t low[kSteps];
    alignas(64) uint32_t shift[kSteps];
    alignas(64) int32_t negative[kSteps]; // -1 where s(k) < 0, else 0

    StepScales()
    {
        for (int k = 0; k < kSteps; ++k) {
            const float s = stepSine(k);
            int exponent = 0;
            const float fraction = std::frexp(std::fabs(s), &exponent); // |s| = fraction * 2^exponent
            const auto m = static_cast<uint32_t>(std::ldexp(fraction, 24));
            const int quotientShift = 24 - exponent + 2 - 12;
            high[k] = m >> 12;
            low[k] = m & 4095u;
            shift[k] = static_cast<uint32_t>(quotientShift < 31 ? quotientShift : 31);
            negative[k] = s < 0 ? -1 : 0;
        }
    }
};

const StepScales& stepScales()
{
    static const StepScales scales;
    return scales;
}

} // namespace

namespace plain {

void DrawTwister(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const CImage& hm = *effects.heightMap;
    float s[kSteps];
    for (int k = 0; k < kSteps; ++k)
        s[k] = stepSine(k);
    const uint32_t t = ms / 30;
    for (int y = 0; y < kViewHeight; ++y) {
        const uint32_t c = firstStep(t, y);
        const uint32_t* heights = hm.pixels + (y % hm.bufferHeight) * hm.bufferWidth;
        const uint32_t* texels = texture.pixels + (y % texture.bufferHeight) * texture.bufferWidth;
        auto w = [&](uint32_t k) {
            const int32_t h = static_cast<int32_t>(heights[(c + k) % static_cast<uint32_t>(hm.bufferWidth)] & 0xFF);
            return static_cast<int32_t>(static_cast<double>(s[k]) * (h + 128) * 0.25);
        };
        auto colour = [&](uint32_t k) { return texels[(c + k) % static_cast<uint32_t>(texture.bufferWidth)]; };
        uint32_t* out = view + y * kViewWidth;
        for (uint32_t k = 0; k < kHalf; ++k) {
            const int32_t reach = w(k);
            const uint32_t pixel = colour(k);
            for (int32_t x = kCentre - reach; x < kCentre; ++x)
                out[x] = pixel;
        }
        for (uint32_t k = kSteps - 1; k >= kHalf; --k) {
            const int32_t reach = -w(k);
            const uint32_t pixel = colour(k);
            for (int32_t x = kCentre; x <= kCentre + reach; ++x)
                out[x] = pixel;
        }
    }
}

} // namespace plain

#endif // TWISTER_SHARED

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "gfx/effects/twister.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace twister {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

void Paint(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    plain::DrawTwister(effects, texture, view, ms);
}

#else

namespace hn = hwy::HWY_NAMESPACE;

// Eight lanes at most: the 512-bit forms of the gathers and the variable
// shifts made the whole pass slower than the 256-bit ones on the AVX-512
// processor we measured.
using Lanes32 = hn::CappedTag<uint32_t, 8>;

// A row's runs in a 256-byte line: left steps put theirs at
// 96 - max(w, 0) (pixel x = 64 + p for p = 1..95, 96 for none), right ones
// at 159 + max(1 - w, 0) (pixel x = p for p = 160..255), each holding k + 1
// (left) or 256 - k (right), 1..128, 0 for none. Stored in drawing order, a
// position keeps its last run; the largest value from the outside in (a
// running maximum towards the centre) is then the last run reaching each
// pixel, and 0 where none does.
constexpr int kLeftBase = 96;
constexpr int kRightBase = 159;

// Each step's position in the line.
void positionsOfRow(const StepScales& scales, const uint32_t* heights, uint32_t c, int32_t* position)
{
    const Lanes32 du;
    const hn::RebindToSigned<decltype(du)> di;
    const size_t lanes = hn::Lanes(du);
    alignas(64) uint32_t wrapped[hn::MaxLanes(du)];
    for (size_t k0 = 0; k0 < kSteps; k0 += lanes) {
        // Heights c + k .. of the 256-wide row, wrapping at its end.
        const uint32_t first = (c + static_cast<uint32_t>(k0)) & 255;
        auto raw = hn::Undefined(du);
        if (first + lanes <= kHeightMapSize) {
            raw = hn::LoadU(du, heights + first);
        } else {
            for (size_t i = 0; i < lanes; ++i)
                wrapped[i] = heights[(first + i) & 255];
            raw = hn::Load(du, wrapped);
        }
        const auto h = hn::Add(hn::And(raw, hn::Set(du, 0xFF)), hn::Set(du, 128));
        const auto partial = hn::ShiftRight<12>(hn::Mul(hn::Load(du, scales.low + k0), h));
        const auto magnitude = hn::BitCast(
            di, hn::Shr(hn::Add(hn::Mul(hn::Load(du, scales.high + k0), h), partial), hn::Load(du, scales.shift + k0)));
        const auto negative = hn::Load(di, scales.negative + k0);
        const auto w = hn::Sub(hn::Xor(magnitude, negative), negative);
        const auto zero = hn::Zero(di);
        const auto at = k0 < kHalf ? hn::Sub(hn::Set(di, kLeftBase), hn::Max(w, zero))
                                   : hn::Add(hn::Set(di, kRightBase), hn::Max(hn::Sub(hn::Set(di, 1), w), zero));
        hn::Store(at, di, position + k0);
    }
}

// The running maximum of 16 bytes towards higher (up) or lower indices,
// carried in from the block before.
template <bool up>
hn::Vec<hn::Full128<uint8_t>> runningMax(hn::Vec<hn::Full128<uint8_t>> v, hn::Vec<hn::Full128<uint8_t>> carry)
{
    const hn::Full128<uint8_t> d;
    if constexpr (up) {
        v = hn::Max(v, hn::ShiftLeftBytes<1>(d, v));
        v = hn::Max(v, hn::ShiftLeftBytes<2>(d, v));
        v = hn::Max(v, hn::ShiftLeftBytes<4>(d, v));
        v = hn::Max(v, hn::ShiftLeftBytes<8>(d, v));
    } else {
        v = hn::Max(v, hn::ShiftRightBytes<1>(d, v));
        v = hn::Max(v, hn::ShiftRightBytes<2>(d, v));
        v = hn::Max(v, hn::ShiftRightBytes<4>(d, v));
        v = hn::Max(v, hn::ShiftRightBytes<8>(d, v));
    }
    return hn::Max(v, carry);
}

// The owners of pixels 64..159 (left) and 160..255 (right).
void ownersOfRow(uint8_t* line)
{
    const hn::Full128<uint8_t> d;
    auto carry = hn::Zero(d);
    for (int p = 0; p < kLeftBase; p += 16) {
        const auto v = runningMax<true>(hn::Load(d, line + p), carry);
        hn::Store(v, d, line + p);
        carry = hn::TableLookupBytes(v, hn::Set(d, 15));
    }
    carry = hn::Zero(d);
    for (int p = kSteps - 16; p >= kCentre; p -= 16) {
        const auto v = runningMax<false>(hn::Load(d, line + p), carry);
        hn::Store(v, d, line + p);
        carry = hn::TableLookupBytes(v, hn::Set(d, 0));
    }
}

// Pixels from their owners' values, for `count` pixels from out on; the
// pixels no run reaches (value 0) keep what they hold.
template <bool left>
void paintOwners(const uint8_t* values, const uint32_t* texelRow, uint32_t c, uint32_t* out, int count)
{
    const Lanes32 d;
    const hn::RebindToSigned<decltype(d)> di;
    const hn::Rebind<uint8_t, decltype(d)> d8;
    const int lanes = static_cast<int>(hn::Lanes(d));
    for (int i = 0; i < count; i += lanes) {
        const auto value = hn::PromoteTo(di, hn::LoadU(d8, values + i));
        // Left: texel c + k = c + value - 1; right: c + k = c + 256 - value.
        const auto step = left ? hn::Add(value, hn::Set(di, static_cast<int32_t>(c - 1)))
                               : hn::Sub(hn::Set(di, static_cast<int32_t>(c)), value);
        const auto texel = hn::GatherIndex(d, texelRow, hn::And(step, hn::Set(di, kTextureSize - 1)));
        const auto drawn = hn::RebindMask(d, hn::Ne(value, hn::Zero(di)));
        hn::StoreU(hn::IfThenElse(drawn, texel, hn::LoadU(d, out + i)), d, out + i);
    }
}

void paintRow(const StepScales& scales, const uint32_t* heights, const uint32_t* texelRow, uint32_t c, uint32_t* out)
{
    alignas(64) int32_t position[kSteps];
    positionsOfRow(scales, heights, c, position);
    // Left steps in drawing order 0..127, right ones 255..128: step k and
    // step 255 - k both hold k + 1.
    alignas(64) uint8_t line[kSteps] = {};
    for (int k = 0; k < kHalf; ++k) {
        line[position[k]] = static_cast<uint8_t>(k + 1);
        line[position[kSteps - 1 - k]] = static_cast<uint8_t>(k + 1);
    }
    ownersOfRow(line);
    paintOwners<true>(line, texelRow, c, out + 64, kLeftBase);
    paintOwners<false>(line + kCentre, texelRow, c, out + kCentre, kSteps - kCentre);
}

void Paint(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const CImage& heightMap = *effects.heightMap;
    // The vector form reads rows as wide as the supplied images; others
    // take the plain one.
    if (heightMap.bufferWidth != kHeightMapSize || texture.bufferWidth != kTextureSize) {
        plain::DrawTwister(effects, texture, view, ms);
        return;
    }
    const StepScales& scales = stepScales();
    const uint32_t t = ms / 30;
    // The library's sine for every row first: run back to back, the calls
    // overlap one another instead of holding up the rows.
    uint32_t firstSteps[kViewHeight];
    for (int y = 0; y < kViewHeight; ++y)
        firstSteps[y] = firstStep(t, y);
    for (int y = 0; y < kViewHeight; ++y) {
        const uint32_t* heights = heightMap.pixels + (y % heightMap.bufferHeight) * kHeightMapSize;
        const uint32_t* texelRow = texture.pixels + (y % texture.bufferHeight) * kTextureSize;
        paintRow(scales, heights, texelRow, firstSteps[y], view + y * kViewWidth);
    }
}

#endif

} // namespace HWY_NAMESPACE
} // namespace twister
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace twister {
HWY_EXPORT(Paint);
} // namespace twister

void DrawTwister(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    HWY_DYNAMIC_DISPATCH(twister::Paint)(effects, texture, view, ms);
}

#endif
