// The spectrum's strips: one per bin, darkening the view above and below
// its middle row. Compiled once per vector target (Highway's foreach_target
// re-includes this file); the target the program chose runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "app/spectrum_strips.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "app/composition.h"

#include "gfx/frame.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

// What every target shares, compiled once.
#ifndef APP_SPECTRUM_STRIPS_SHARED
#define APP_SPECTRUM_STRIPS_SHARED
namespace {

constexpr int kStripLeft = 32;
constexpr int kStripMiddle = 120;
constexpr int kTallestStrip = 101; // half height at full scale

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

// The half height only grows with the magnitude (every step of it is
// monotone), so it is the number of the 101 magnitudes at which it steps up
// that lie at or below the magnitude. Those are found once by bisecting
// over the floats with the very expression above, so counting them gives
// its bits without a power per strip and frame. Magnitudes with the sign
// bit (and no number) take the expression itself.
class StripSteps {
public:
    StripSteps()
    {
        for (float& step : steps_)
            step = std::numeric_limits<float>::quiet_NaN(); // never at or below a magnitude
        for (int half = 1; half <= kTallestStrip; ++half) {
            uint32_t low = 0, high = 0x7F800000u; // +0 .. +infinity, in the order of their bits
            while (low < high) {
                const uint32_t middle = low + (high - low) / 2;
                if (stripHalfHeight(std::bit_cast<float>(middle)) >= half)
                    high = middle;
                else
                    low = middle + 1;
            }
            steps_[half - 1] = std::bit_cast<float>(high);
        }
    }

    int32_t halfHeight(float magnitude) const
    {
        if (!(magnitude >= 0.0f) || std::signbit(magnitude))
            return stripHalfHeight(magnitude);
        int32_t passed = 0;
#pragma GCC unroll 7
        for (int32_t stride = kSteps / 2; stride > 0; stride /= 2)
            passed += stride * static_cast<int32_t>(steps_[passed + stride - 1] <= magnitude);
        return passed;
    }

private:
    static constexpr int kSteps = 128; // kTallestStrip used, the rest NaN
    float steps_[kSteps];
};

// Built once, on the first spectrum drawn.
const StripSteps& stripSteps()
{
    static const StripSteps steps;
    return steps;
}

// Each strip's half height.
struct Strips {
    int32_t half[kSpectrumBins];
};

void measureStrips(Strips& strips, const float* spectrum)
{
    const StripSteps& steps = stripSteps();
    for (int i = 0; i < kSpectrumBins; ++i)
        strips.half[i] = steps.halfHeight(spectrum[i]);
}

// The strips in groups of `Group` neighbouring columns, ordered by their
// tallest strip, so that the groups a row reaches are the first ones of
// that order.
template <int Group>
struct StripGroups {
    static constexpr int kCount = kSpectrumBins / Group;
    int32_t tallest[kCount];
    uint8_t tallestFirst[kCount];

    explicit StripGroups(const Strips& strips)
    {
        int32_t groupsOfHeight[kTallestStrip + 1] = {};
        for (int g = 0; g < kCount; ++g) {
            tallest[g] = *std::max_element(strips.half + g * Group, strips.half + (g + 1) * Group);
            ++groupsOfHeight[tallest[g]];
        }
        // A counting sort, tallest first.
        int32_t next[kTallestStrip + 1];
        int32_t at = 0;
        for (int h = kTallestStrip; h >= 0; --h) {
            next[h] = at;
            at += groupsOfHeight[h];
        }
        for (int g = 0; g < kCount; ++g)
            tallestFirst[next[tallest[g]]++] = static_cast<uint8_t>(g);
    }
    // How many of the first groups of the order reach `reach` rows from the
    // middle, given how many reached one row less.
    int reaching(int count, int32_t reach) const
    {
        while (count > 0 && tallest[tallestFirst[count - 1]] < reach)
            --count;
        return count;
    }
};

// The view row `reach` rows above the middle, and the one as far below: a
// strip of half height j covers rows middle - j to middle + j - 1 and
// darkens them by 2j (at most 202: never black).
uint32_t* rowAbove(uint32_t* view, int32_t reach) { return view + (kStripMiddle - reach) * kViewWidth + kStripLeft; }
uint32_t* rowBelow(uint32_t* view, int32_t reach) { return view + (kStripMiddle + reach - 1) * kViewWidth + kStripLeft; }


// blendOver toward black, spelled out per channel: c + ((-(c * S)) >> 8),
// that is c - ceil(c * S / 256).
inline uint32_t darken(uint32_t pixel, int32_t alpha)
{
    const auto channel = [&](int shift) {
        const int32_t t = static_cast<int32_t>((pixel >> shift) & 0xFF);
        return static_cast<uint32_t>(t + ((-t * alpha) >> 8)) << shift;
    };
    return (pixel & 0xFF000000u) | channel(16) | channel(8) | channel(0);
}

} // namespace
#endif // APP_SPECTRUM_STRIPS_SHARED

HWY_BEFORE_NAMESPACE();
namespace spectrum_strips {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR

void DrawStrips(uint32_t* view, const Strips& strips)
{
    for (int32_t reach = 1; reach <= kTallestStrip; ++reach)
        for (uint32_t* row : {rowAbove(view, reach), rowBelow(view, reach)})
            for (int i = 0; i < kSpectrumBins; ++i)
                if (strips.half[i] >= reach)
                    row[i] = darken(row[i], 2 * strips.half[i]);
}

#else

// Darkening by S takes c to c - ceil(c * S / 256), which is the floor of
// c * (256 - S) / 256: the high half of (c << 8) * (256 - S) in unsigned
// 16-bit lanes, a byte in each. A strength of 0 (the strip does not reach
// that far, or the alpha byte) multiplies by 256 and keeps the byte.
template <class D>
HWY_INLINE void darkenPixels(D d, uint32_t* pixels, const int32_t* half, hn::Vec<D> below)
{
    const hn::Repartition<uint16_t, D> d16;
    const hn::RebindToSigned<D> di;
    const auto reaches = hn::RebindMask(d, hn::Gt(hn::LoadU(di, half), hn::BitCast(di, below)));
    const auto strength = hn::IfThenElseZero(reaches, hn::ShiftLeft<1>(hn::BitCast(d, hn::LoadU(di, half))));
    const auto kept = hn::Sub(hn::Set(d, 256u), strength);
    const auto p = hn::LoadU(d, pixels);
    const auto evenBytes = hn::BitCast(d16, hn::ShiftLeft<8>(hn::And(p, hn::Set(d, 0x00FF00FFu))));
    const auto oddBytes = hn::BitCast(d16, hn::And(p, hn::Set(d, 0xFF00FF00u)));
    const auto evenKept = hn::BitCast(d16, hn::Or(kept, hn::ShiftLeft<16>(kept)));
    const auto oddKept = hn::BitCast(d16, hn::Or(kept, hn::Set(d, 256u << 16)));
    const auto even = hn::BitCast(d, hn::MulHigh(evenBytes, evenKept));
    const auto odd = hn::BitCast(d, hn::MulHigh(oddBytes, oddKept));
    hn::StoreU(hn::Or(even, hn::ShiftLeft<8>(odd)), d, pixels);
}

// The strips in groups of neighbouring columns, a vector or two of them, so
// that a row touches only the groups that reach it.
constexpr int kGroup = HWY_MIN(8, static_cast<int>(HWY_LANES(uint32_t)));

// The rows in pairs from the middle out, each over the groups that reach
// it: as the distance grows, groups drop off the end of the order.
void DrawStrips(uint32_t* view, const Strips& strips)
{
    const hn::CappedTag<uint32_t, kGroup> d;
    const int lanes = static_cast<int>(hn::Lanes(d));
    const StripGroups<kGroup> groups(strips);
    int reaching = groups.kCount;
    for (int32_t reach = 1; (reaching = groups.reaching(reaching, reach)) > 0; ++reach) {
        const auto below = hn::Set(d, static_cast<uint32_t>(reach - 1));
        uint32_t* above = rowAbove(view, reach);
        uint32_t* under = rowBelow(view, reach);
        for (int k = 0; k < reaching; ++k) {
            const int first = groups.tallestFirst[k] * kGroup;
            for (int column = first; column < first + kGroup; column += lanes) {
                darkenPixels(d, above + column, strips.half + column, below);
                darkenPixels(d, under + column, strips.half + column, below);
            }
        }
    }
}

#endif

} // namespace HWY_NAMESPACE
} // namespace spectrum_strips
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace spectrum_strips {
HWY_EXPORT(DrawStrips);
} // namespace spectrum_strips

void drawSpectrum(uint32_t* view, const float* spectrum)
{
    Strips strips;
    measureStrips(strips, spectrum);
    HWY_DYNAMIC_DISPATCH(spectrum_strips::DrawStrips)(view, strips);
}

#endif
