// The spectrum's strips: one per bin, darkening the view above and below
// its middle row.
#include "app/composition.h"

#include "gfx/frame.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

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

// Each strip's half height and darkening.
struct Strips {
    int32_t half[kSpectrumBins];
    uint32_t strength[kSpectrumBins]; // 2 x half in the blue, green and red bytes
};

void measureStrips(Strips& strips, const float* spectrum)
{
    const StripSteps& steps = stripSteps();
    for (int i = 0; i < kSpectrumBins; ++i) {
        strips.half[i] = steps.halfHeight(spectrum[i]);
        strips.strength[i] = static_cast<uint32_t>(2 * strips.half[i]) * 0x010101u;
    }
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

#if defined(__SSE2__)
// Darkening by S takes c to c - ceil(c * S / 256), which is the floor of
// c * (256 - S) / 256: the high half of (c << 8) * (256 - S) in 16-bit lanes.
// A strength of 0 (the strip does not reach, or the alpha byte) multiplies
// by 256 and leaves the byte as it is.
inline void darken4(uint32_t* pixels, const int32_t* half, const uint32_t* strength, __m128i below)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i whole = _mm_set1_epi16(256);
    const __m128i reaches = _mm_cmpgt_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(half)), below);
    const __m128i s = _mm_and_si128(reaches, _mm_loadu_si128(reinterpret_cast<const __m128i*>(strength)));
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
    const __m128i low = _mm_mulhi_epu16(_mm_unpacklo_epi8(zero, p), _mm_sub_epi16(whole, _mm_unpacklo_epi8(s, zero)));
    const __m128i high = _mm_mulhi_epu16(_mm_unpackhi_epi8(zero, p), _mm_sub_epi16(whole, _mm_unpackhi_epi8(s, zero)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), _mm_packus_epi16(low, high));
}

// The rows in pairs from the middle out, each over the groups that reach
// it: as the distance grows, groups drop off the end of the order.
void drawStripsSse2(uint32_t* view, const Strips& strips)
{
    const StripGroups<4> groups(strips);
    int reaching = groups.kCount;
    for (int32_t reach = 1; (reaching = groups.reaching(reaching, reach)) > 0; ++reach) {
        const __m128i below = _mm_set1_epi32(reach - 1);
        uint32_t* above = rowAbove(view, reach);
        uint32_t* under = rowBelow(view, reach);
        for (int k = 0; k < reaching; ++k) {
            const int column = groups.tallestFirst[k] * 4;
            darken4(above + column, strips.half + column, strips.strength + column, below);
            darken4(under + column, strips.half + column, strips.strength + column, below);
        }
    }
}

// darken4 on eight pixels; 256-bit unpacking and packing work within each
// 128-bit half, so the pixels come back in their order.
__attribute__((target("avx2"))) inline void darken8(uint32_t* pixels, const int32_t* half, const uint32_t* strength,
                                                    __m256i below)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i whole = _mm256_set1_epi16(256);
    const __m256i reaches = _mm256_cmpgt_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(half)), below);
    const __m256i s = _mm256_and_si256(reaches, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(strength)));
    const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels));
    const __m256i low =
        _mm256_mulhi_epu16(_mm256_unpacklo_epi8(zero, p), _mm256_sub_epi16(whole, _mm256_unpacklo_epi8(s, zero)));
    const __m256i high =
        _mm256_mulhi_epu16(_mm256_unpackhi_epi8(zero, p), _mm256_sub_epi16(whole, _mm256_unpackhi_epi8(s, zero)));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pixels), _mm256_packus_epi16(low, high));
}

// drawStripsSse2 in groups of eight.
__attribute__((target("avx2"))) void drawStripsAvx2(uint32_t* view, const Strips& strips)
{
    const StripGroups<8> groups(strips);
    int reaching = groups.kCount;
    for (int32_t reach = 1; (reaching = groups.reaching(reaching, reach)) > 0; ++reach) {
        const __m256i below = _mm256_set1_epi32(reach - 1);
        uint32_t* above = rowAbove(view, reach);
        uint32_t* under = rowBelow(view, reach);
        for (int k = 0; k < reaching; ++k) {
            const int column = groups.tallestFirst[k] * 8;
            darken8(above + column, strips.half + column, strips.strength + column, below);
            darken8(under + column, strips.half + column, strips.strength + column, below);
        }
    }
}
#else
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

void drawStripsPlain(uint32_t* view, const Strips& strips)
{
    for (int32_t reach = 1; reach <= kTallestStrip; ++reach)
        for (uint32_t* row : {rowAbove(view, reach), rowBelow(view, reach)})
            for (int i = 0; i < kSpectrumBins; ++i)
                if (strips.half[i] >= reach)
                    row[i] = darken(row[i], 2 * strips.half[i]);
}
#endif

} // namespace

void drawSpectrum(uint32_t* view, const float* spectrum)
{
    drawSpectrum(view, spectrum, widestLanes());
}

void drawSpectrum(uint32_t* view, const float* spectrum, Lanes lanes)
{
    Strips strips;
    measureStrips(strips, spectrum);
#if defined(__SSE2__)
    if (lanes == Lanes::Avx2)
        drawStripsAvx2(view, strips);
    else
        drawStripsSse2(view, strips);
#else
    (void)lanes;
    drawStripsPlain(view, strips);
#endif
}
