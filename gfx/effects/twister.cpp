#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <immintrin.h>

namespace {

constexpr int kCentre = 160;
constexpr int kSteps = 256;
constexpr int kHalf = kSteps / 2;
constexpr int kSlots = 97; // reach 0..95 plus one slot for runs that draw nothing

// Each step's run as a "slot" per step k and height h, worked out once: the
// time never enters it. w(k) = trunc(s(k) * (h + 128) * 0.25), the product
// with the float sine formed in double precision (where it is exact) and
// truncated toward zero.
//  - Left steps (k < 128) cover x = 160 - w .. 159: slot max(w, 0), the
//    distance they reach to the left (0: nothing drawn).
//  - Right steps cover x = 160 .. 160 - w: slot max(1 - w, 0), one more than
//    the distance they reach to the right (0: nothing drawn).
struct SlotTable {
    uint8_t slot[kSteps][256];

    SlotTable()
    {
        for (int k = 0; k < kSteps; ++k) {
            const float sine = singleSine(static_cast<float>(k * (1.0 / 128) * 3.14159265));
            for (int h = 0; h < 256; ++h) {
                const int32_t w = static_cast<int32_t>(static_cast<double>(sine) * (h + 128) * 0.25);
                const int32_t reach = k < kHalf ? w : 1 - w;
                slot[k][h] = static_cast<uint8_t>(reach > 0 ? reach : 0);
            }
        }
    }
};

const SlotTable& slotTable()
{
    static const SlotTable table;
    return table;
}

// c + k wraps around a row of the height map or the texture. The supplied
// images are 256 and 64 wide, where a mask does it; other widths take the
// division.
struct MaskWrap {
    uint32_t mask;
    uint32_t operator()(uint32_t i) const { return i & mask; }
};
struct DivisionWrap {
    uint32_t width;
    uint32_t operator()(uint32_t i) const { return i % width; }
};

bool isPowerOfTwo(int32_t width) { return width > 0 && (width & (width - 1)) == 0; }

// One row of the column. Later runs overwrite earlier ones, so a pixel shows
// the last run, in drawing order, that reaches it. Runs are scattered by
// their reach (a later run with the same reach replaces the earlier one),
// then a sweep from the outside in finds, for each distance, the last run
// reaching at least that far. Every pixel is written once, without branches
// on the data.
template <class HeightWrap, class TextureWrap>
class RowPainter {
public:
    RowPainter(const CImage& heightMap, const CImage& texture, HeightWrap heightWrap, TextureWrap textureWrap)
        : heightMap_(heightMap), texture_(texture), heightWrap_(heightWrap), textureWrap_(textureWrap)
    {
    }

    void paint(const SlotTable& table, uint32_t c, int y, uint32_t* out)
    {
        const uint32_t* heights = heightMap_.pixels + (y % heightMap_.bufferHeight) * heightMap_.bufferWidth;
        const uint32_t* texels = texture_.pixels + (y % texture_.bufferHeight) * texture_.bufferWidth;
        // Pixel colour: texel c + k of the row for the run k shown there.
        auto colour = [&](int32_t k) { return texels[textureWrap_(c + static_cast<uint32_t>(k))]; };
        int32_t owner[kSlots];

        // Left: drawn for k = 0..127; the last drawn wins, the largest k.
        for (int32_t& o : owner)
            o = -1;
        uint32_t furthest = 0;
        for (uint32_t k = 0; k < kHalf; ++k) {
            const uint32_t slot = table.slot[k][heights[heightWrap_(c + k)] & 0xFF];
            owner[slot] = static_cast<int32_t>(k);
            furthest = slot > furthest ? slot : furthest;
        }
        int32_t last = -1;
        for (uint32_t d = furthest; d >= 1; --d) {
            last = owner[d] > last ? owner[d] : last;
            out[kCentre - static_cast<int32_t>(d)] = colour(last);
        }

        // Right: drawn for k = 255..128; the last drawn wins, the smallest k.
        for (int32_t& o : owner)
            o = kSteps;
        furthest = 0;
        for (uint32_t k = kSteps - 1; k >= kHalf; --k) {
            const uint32_t slot = table.slot[k][heights[heightWrap_(c + k)] & 0xFF];
            owner[slot] = static_cast<int32_t>(k);
            furthest = slot > furthest ? slot : furthest;
        }
        last = kSteps;
        for (uint32_t slot = furthest; slot >= 1; --slot) {
            last = owner[slot] < last ? owner[slot] : last;
            out[kCentre + static_cast<int32_t>(slot) - 1] = colour(last);
        }
    }

private:
    const CImage& heightMap_;
    const CImage& texture_;
    HeightWrap heightWrap_;
    TextureWrap textureWrap_;
};

// Where row y's steps start in the rows of the height map and the texture.
uint32_t firstStep(uint32_t t, int y)
{
    const float turn = singleSine(static_cast<float>(static_cast<double>(2 * t + static_cast<uint32_t>(y)) * 0.03125));
    return t + static_cast<uint32_t>(static_cast<int32_t>(static_cast<double>(turn) * 32 + 32));
}

template <class HeightWrap, class TextureWrap>
void paintRows(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms, HeightWrap heightWrap,
               TextureWrap textureWrap)
{
    const SlotTable& table = slotTable();
    RowPainter<HeightWrap, TextureWrap> painter(*effects.heightMap, texture, heightWrap, textureWrap);
    const uint32_t t = ms / 30;
    for (int y = 0; y < kViewHeight; ++y)
        painter.paint(table, firstStep(t, y), y, view + y * kViewWidth);
}

// The vector path works the same runs out differently. A step's reach is
// computed in double precision as the slot table has it (s(k) / 4 is exact,
// and so is its product with h + 128), then turned into a position in a
// 256-byte line:
//  - left steps at 96 - reach: pixel x = 64 + p for p = 1..95;
//  - right steps at 159 + reach: pixel x = p for p = 160..255;
// each holding k + 1 (left) or 256 - k (right), 1..128, 0 for none. Stored
// in drawing order, a position keeps its last run; the largest value from
// the outside in (a running maximum towards the centre) is then the last
// run reaching each pixel, and 0 where none does.
struct QuarterSines {
    alignas(64) double value[kSteps];

    QuarterSines()
    {
        for (int k = 0; k < kSteps; ++k)
            value[k] = static_cast<double>(singleSine(static_cast<float>(k * (1.0 / 128) * 3.14159265))) * 0.25;
    }
};

const QuarterSines& quarterSines()
{
    static const QuarterSines sines;
    return sines;
}

constexpr int kLeftBase = 96;
constexpr int kRightBase = 159;
constexpr __mmask16 kAll16 = 0xFFFF;
constexpr __mmask8 kAll8 = 0xFF;

#define TWISTER_TARGET __attribute__((target("avx2,avx512f,avx512bw,avx512vl,avx512vbmi")))

// Heights c + k .. c + k + 7 of a 256-wide row, wrapping at its end.
TWISTER_TARGET inline __m256i loadHeights(const uint32_t* heights, uint32_t first)
{
    const uint32_t fit = kHeightMapSize - first;
    if (fit >= 8)
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(heights + first));
    const __mmask8 before = static_cast<__mmask8>((1u << fit) - 1);
    const __m256i head = _mm256_maskz_loadu_epi32(before, heights + first);
    return _mm256_mask_expandloadu_epi32(head, static_cast<__mmask8>(~before), heights);
}

// Where the 8 steps from k0 on put their runs. (The zero-masked forms of
// the 512-bit conversions: GCC 12 warns about the undefined pass-through
// operand of the plain ones.)
TWISTER_TARGET inline __m128i positionsOf(__m256i heights, const double* quarterSine, bool left)
{
    const __m256i h = _mm256_add_epi32(_mm256_and_si256(heights, _mm256_set1_epi32(0xFF)), _mm256_set1_epi32(128));
    const __m512d product = _mm512_mul_pd(_mm512_maskz_cvtepi32_pd(kAll8, h), _mm512_load_pd(quarterSine));
    const __m256i w = _mm512_maskz_cvttpd_epi32(kAll8, product);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i at = left ? _mm256_sub_epi32(_mm256_set1_epi32(kLeftBase), _mm256_max_epi32(w, zero))
                            : _mm256_add_epi32(_mm256_set1_epi32(kRightBase),
                                               _mm256_max_epi32(_mm256_sub_epi32(_mm256_set1_epi32(1), w), zero));
    return _mm256_maskz_cvtepi32_epi8(kAll8, at);
}

// Running maximum over the 64 bytes, towards higher (up) or lower indices.
TWISTER_TARGET inline __m512i runningMax(__m512i v, bool up)
{
    const __m512i lanes = _mm512_set_epi8(63, 62, 61, 60, 59, 58, 57, 56, 55, 54, 53, 52, 51, 50, 49, 48, 47, 46, 45,
                                          44, 43, 42, 41, 40, 39, 38, 37, 36, 35, 34, 33, 32, 31, 30, 29, 28, 27, 26,
                                          25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5,
                                          4, 3, 2, 1, 0);
#pragma GCC unroll 6
    for (int n = 1; n < 64; n *= 2) {
        const __m512i from = up ? _mm512_sub_epi8(lanes, _mm512_set1_epi8(static_cast<char>(n)))
                                : _mm512_add_epi8(lanes, _mm512_set1_epi8(static_cast<char>(n)));
        const __mmask64 keep = up ? ~0ull << n : ~0ull >> n;
        v = _mm512_max_epu8(v, _mm512_maskz_permutexvar_epi8(keep, from, v));
    }
    return v;
}

// Pixels x .. x + 15 from their owners' values; none left where 0.
TWISTER_TARGET inline void paintOwners(const uint8_t* values, bool left, uint32_t c, const __m512i (&texels)[4],
                                      uint32_t* out)
{
    const __m512i value = _mm512_maskz_cvtepu8_epi32(kAll16, _mm_loadu_si128(reinterpret_cast<const __m128i*>(values)));
    // Left: texel c + k = c + value - 1; right: c + k = c + 256 - value.
    const __m512i index = left ? _mm512_add_epi32(value, _mm512_set1_epi32(static_cast<int32_t>(c - 1)))
                               : _mm512_sub_epi32(_mm512_set1_epi32(static_cast<int32_t>(c)), value);
    const __m512i low = _mm512_permutex2var_epi32(texels[0], index, texels[1]);
    const __m512i high = _mm512_permutex2var_epi32(texels[2], index, texels[3]);
    const __mmask16 upper = _mm512_test_epi32_mask(index, _mm512_set1_epi32(32));
    _mm512_mask_storeu_epi32(out, _mm512_test_epi32_mask(value, value), _mm512_mask_blend_epi32(upper, low, high));
}

TWISTER_TARGET void paintRowAvx512(const double* quarterSine, const uint32_t* heights, const uint32_t* texelRow,
                                   uint32_t c, uint32_t* out)
{
    alignas(64) uint8_t position[kSteps];
#pragma GCC unroll 4
    for (int k0 = 0; k0 < kHalf; k0 += 8) {
        const __m256i h = loadHeights(heights, (c + static_cast<uint32_t>(k0)) & 255);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(position + k0), positionsOf(h, quarterSine + k0, true));
    }
#pragma GCC unroll 4
    for (int k0 = kHalf; k0 < kSteps; k0 += 8) {
        const __m256i h = loadHeights(heights, (c + static_cast<uint32_t>(k0)) & 255);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(position + k0), positionsOf(h, quarterSine + k0, false));
    }
    // Left steps in drawing order 0..127, right ones 255..128: step k and
    // step 255 - k both hold k + 1.
    alignas(64) uint8_t line[kSteps] = {};
#pragma GCC unroll 16
    for (int k = 0; k < kHalf; ++k) {
        line[position[k]] = static_cast<uint8_t>(k + 1);
        line[position[kSteps - 1 - k]] = static_cast<uint8_t>(k + 1);
    }
    const __m512i left0 = runningMax(_mm512_load_si512(line), true);
    __m512i left1 = runningMax(_mm512_load_si512(line + 64), true);
    left1 = _mm512_max_epu8(left1, _mm512_maskz_permutexvar_epi8(~0ull, _mm512_set1_epi8(63), left0));
    const __m512i right1 = runningMax(_mm512_load_si512(line + 192), false);
    __m512i right0 = runningMax(_mm512_load_si512(line + 128), false);
    right0 = _mm512_max_epu8(right0, _mm512_maskz_permutexvar_epi8(~0ull, _mm512_setzero_si512(), right1));
    _mm512_store_si512(line, left0);
    _mm512_store_si512(line + 64, left1);
    _mm512_store_si512(line + 128, right0);
    _mm512_store_si512(line + 192, right1);

    const __m512i texels[4] = {_mm512_loadu_si512(texelRow), _mm512_loadu_si512(texelRow + 16),
                               _mm512_loadu_si512(texelRow + 32), _mm512_loadu_si512(texelRow + 48)};
    for (int p = 0; p < kLeftBase; p += 16)
        paintOwners(line + p, true, c, texels, out + 64 + p);
    for (int p = kCentre; p < kSteps; p += 16)
        paintOwners(line + p, false, c, texels, out + p);
}

} // namespace

void DrawTwisterScalar(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const int32_t heightWidth = effects.heightMap->bufferWidth;
    const int32_t textureWidth = texture.bufferWidth;
    if (isPowerOfTwo(heightWidth) && isPowerOfTwo(textureWidth))
        paintRows(effects, texture, view, ms, MaskWrap{uint32_t(heightWidth) - 1}, MaskWrap{uint32_t(textureWidth) - 1});
    else
        paintRows(effects, texture, view, ms, DivisionWrap{uint32_t(heightWidth)}, DivisionWrap{uint32_t(textureWidth)});
}

bool TwisterCanUseAvx512(const EffectState& effects, const CImage& texture)
{
    return effects.heightMap->bufferWidth == kHeightMapSize && texture.bufferWidth == kTextureSize &&
           __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
           __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl") &&
           __builtin_cpu_supports("avx512vbmi");
}

TWISTER_TARGET void DrawTwisterAvx512(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const CImage& heightMap = *effects.heightMap;
    const double* quarterSine = quarterSines().value;
    const uint32_t t = ms / 30;
    // The library's sine for every row first: run back to back, the calls
    // overlap one another instead of holding up the rows.
    uint32_t firstSteps[kViewHeight];
    for (int y = 0; y < kViewHeight; ++y)
        firstSteps[y] = firstStep(t, y);
    for (int y = 0; y < kViewHeight; ++y) {
        const uint32_t* heights = heightMap.pixels + (y % heightMap.bufferHeight) * kHeightMapSize;
        const uint32_t* texelRow = texture.pixels + (y % texture.bufferHeight) * kTextureSize;
        paintRowAvx512(quarterSine, heights, texelRow, firstSteps[y], view + y * kViewWidth);
    }
}

void DrawTwister(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    if (TwisterCanUseAvx512(effects, texture))
        DrawTwisterAvx512(effects, texture, view, ms);
    else
        DrawTwisterScalar(effects, texture, view, ms);
}
