#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <algorithm>
#include <cmath>
#include <emmintrin.h>
#include <immintrin.h>

namespace {

constexpr int kSamplesPerRay = 64;
constexpr int kLowestRow = kViewHeight - 1;

// Height map cell; the row length is fixed at 256, whatever the image says.
inline int32_t cellHeight(const uint32_t* heights, int32_t row, int32_t col)
{
    return static_cast<int32_t>(heights[row * kHeightMapSize + col] & 0xFF);
}

inline int32_t sampleHeight(const uint32_t* heights, int32_t x, int32_t y)
{
    const int32_t xi = (x >> 8) & 255;
    const int32_t yi = (y >> 8) & 255;
    const int32_t xn = ((x >> 8) + 1) & 255;
    const int32_t yn = ((y >> 8) + 1) & 255;
    const int32_t fx = x & 255;
    const int32_t fy = y & 255;
    // Signed division truncates toward zero, as the interpolation wants;
    // floor (an arithmetic shift) would differ for falling slopes.
    const int32_t topLeft = cellHeight(heights, yi, xi);
    const int32_t bottomLeft = cellHeight(heights, yn, xi);
    const int32_t top = topLeft + (cellHeight(heights, yi, xn) - topLeft) * fx / 256;
    const int32_t bottom = bottomLeft + (cellHeight(heights, yn, xn) - bottomLeft) * fx / 256;
    return top + (bottom - top) * fy / 256;
}

// The sample depths z = 1, 5, ..., 253, as the reciprocals the projection
// multiplies by. Dividing in single precision and truncating gives exactly
// the integer quotient truncated toward zero here: |n| < 2^15 and z <= 253,
// so a quotient that is not an integer lies at least 1/z from one, far more
// than the division's rounding error (at most |n / z| * 2^-24). Multiplying
// by the reciprocal rounded up gives the same truncation, and a multiply
// costs far less than a division: the product is never below n / z (so a
// whole quotient stays whole, and no other falls below its integer part),
// and it exceeds n / z by less than |n / z| * 2^-22, still short of the
// next integer.
struct SampleDepths {
    alignas(64) float reciprocal[kSamplesPerRay];
    SampleDepths()
    {
        for (int s = 0; s < kSamplesPerRay; ++s) {
            const float depth = 1.0f + 4 * s;
            float up = 1.0f / depth;
            // The product of a float and a small integer is exact in double.
            if (static_cast<double>(up) * static_cast<double>(depth) < 1.0)
                up = std::nextafter(up, 2.0f);
            reciprocal[s] = up;
        }
    }
};

struct Camera {
    int32_t x, y, height;
    float heading;
};

Camera placeCamera(const uint32_t* heights, uint32_t ms)
{
    Camera camera;
    // Unnamed intermediates are double precision; the named angle and the
    // sines and cosines are rounded to float.
    camera.heading = static_cast<float>(static_cast<double>(ms) / 4000.0);
    camera.x = static_cast<int32_t>(static_cast<double>(singleSine(camera.heading)) * 32 * 256 + 32768);
    camera.y = static_cast<int32_t>(static_cast<double>(singleCosine(camera.heading)) * 32 * 256 + 32768);
    camera.height = sampleHeight(heights, camera.x, camera.y) + 80;
    return camera;
}

// Truncating division by 256: toward zero, as the interpolation wants
// (an arithmetic shift alone would floor falling slopes).
inline __m128i divideBy256(__m128i v)
{
    const __m128i bias = _mm_and_si128(_mm_srai_epi32(v, 31), _mm_set1_epi32(255));
    return _mm_srai_epi32(_mm_add_epi32(v, bias), 8);
}

// a + tdiv((b - a) * f, 256) per lane. The difference lies in -255..255 and
// f in 0..255, so one 16-bit multiply-add forms the product exactly.
inline __m128i interpolate(__m128i a, __m128i b, __m128i f)
{
    return _mm_add_epi32(a, divideBy256(_mm_madd_epi16(_mm_sub_epi32(b, a), f)));
}

// The rays' steps per sample, one per column: the cosine and sine of the
// column's angle times 128, in 8.8 fixed point (half a map cell at most).
struct RaySteps {
    int32_t dx[kViewWidth], dy[kViewWidth];
};

RaySteps aimRays(const Camera& camera)
{
    RaySteps steps;
    for (int column = 0; column < kViewWidth; ++column) {
        const float angle = static_cast<float>(column / 320.0 * 1.5 + static_cast<double>(camera.heading));
        steps.dx[column] = static_cast<int32_t>(static_cast<double>(singleCosine(angle)) * 128);
        steps.dy[column] = static_cast<int32_t>(static_cast<double>(singleSine(angle)) * 128);
    }
    return steps;
}

// The four heights a bilinear sample reads, packed into one word per cell
// (the cell's, its right neighbour's, the one below and the one below
// right, a byte each), for the cells this frame's rays cross. One load per
// sample instead of four. Every step is at most 128 (|cos| <= 1), so the
// 64 samples of a ray span at most 63 * 128 / 256 + 1 cells each way and
// the crossed cells fit a square of kPatch.
struct HeightPatch {
    static constexpr int kPatch = 66;
    int32_t left, top;
    uint32_t cells[kPatch * kPatch + 4]; // a last row of four at a time may pass the end

    static void packFourAtATime(const uint32_t* upper, const uint32_t* lower, int32_t width, uint32_t* out)
    {
        const __m128i low = _mm_set1_epi32(255);
        auto heightsAt = [low](const uint32_t* at) {
            return _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), low);
        };
        for (int32_t col = 0; col < width; col += 4) {
            const __m128i top = _mm_or_si128(heightsAt(upper + col), _mm_slli_epi32(heightsAt(upper + col + 1), 8));
            const __m128i bottom = _mm_or_si128(heightsAt(lower + col), _mm_slli_epi32(heightsAt(lower + col + 1), 8));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + col), _mm_or_si128(top, _mm_slli_epi32(bottom, 16)));
        }
    }

    HeightPatch(const uint32_t* heights, const Camera& camera, const RaySteps& steps)
    {
        int32_t minX = 0, maxX = 0, minY = 0, maxY = 0; // extremes of the step
        for (int column = 0; column < kViewWidth; ++column) {
            minX = std::min(minX, steps.dx[column]), maxX = std::max(maxX, steps.dx[column]);
            minY = std::min(minY, steps.dy[column]), maxY = std::max(maxY, steps.dy[column]);
        }
        const int32_t last = kSamplesPerRay - 1;
        left = (camera.x + last * minX) >> 8;
        top = (camera.y + last * minY) >> 8;
        const int32_t width = ((camera.x + last * maxX) >> 8) - left + 1;
        const int32_t height = ((camera.y + last * maxY) >> 8) - top + 1;
        // Four cells at a time where the rows need no wrapping (always, for
        // the camera's circle around the map's middle).
        const int32_t wholeWidth = (width + 3) / 4 * 4;
        const bool inside = left >= 0 && left + wholeWidth + 1 <= kHeightMapSize;
        for (int32_t row = 0; row < height; ++row) {
            const int32_t yi = (top + row) & 255, yn = (top + row + 1) & 255;
            if (inside) {
                packFourAtATime(heights + yi * kHeightMapSize + left, heights + yn * kHeightMapSize + left, wholeWidth,
                                cells + row * kPatch);
                continue;
            }
            for (int32_t col = 0; col < width; ++col) {
                const int32_t xi = (left + col) & 255, xn = (left + col + 1) & 255;
                cells[row * kPatch + col] = static_cast<uint32_t>(cellHeight(heights, yi, xi)) |
                                            static_cast<uint32_t>(cellHeight(heights, yi, xn)) << 8 |
                                            static_cast<uint32_t>(cellHeight(heights, yn, xi)) << 16 |
                                            static_cast<uint32_t>(cellHeight(heights, yn, xn)) << 24;
            }
        }
    }
};

inline __m128i gatherWords(const uint32_t* words, __m128i index)
{
    alignas(16) int32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
    return _mm_setr_epi32(static_cast<int32_t>(words[at[0]]), static_cast<int32_t>(words[at[1]]),
                          static_cast<int32_t>(words[at[2]]), static_cast<int32_t>(words[at[3]]));
}

// The projected height of every sample of a ray, four samples at a time:
// the same bilinear height and truncated division as SampleHeight and the
// plain projection p = (h - camH) * 64 / z + 100.
void projectRay(const HeightPatch& patch, const CImage& texture, const SampleDepths& depths, int32_t x, int32_t y,
                int32_t dx, int32_t dy, int32_t cameraHeight, int32_t (&projected)[kSamplesPerRay],
                uint32_t (&colours)[kSamplesPerRay])
{
    auto at = [](int32_t start, int32_t step, int s) {
        return static_cast<int32_t>(static_cast<uint32_t>(start) + static_cast<uint32_t>(s) * static_cast<uint32_t>(step));
    };
    __m128i px = _mm_setr_epi32(at(x, dx, 0), at(x, dx, 1), at(x, dx, 2), at(x, dx, 3));
    __m128i py = _mm_setr_epi32(at(y, dy, 0), at(y, dy, 1), at(y, dy, 2), at(y, dy, 3));
    const __m128i stepX = _mm_set1_epi32(at(0, dx, 4));
    const __m128i stepY = _mm_set1_epi32(at(0, dy, 4));
    const __m128i left = _mm_set1_epi32(patch.left);
    const __m128i top = _mm_set1_epi32(patch.top);
    // Patch rows are 0..65: one 16-bit multiply-add forms row * kPatch.
    const __m128i rowLength = _mm_set1_epi32(HeightPatch::kPatch);
    const __m128i low = _mm_set1_epi32(255);
    const __m128i camera = _mm_set1_epi32(cameraHeight);
    const __m128i horizon = _mm_set1_epi32(100);
    const __m128i textureMask = _mm_set1_epi32(kTextureSize - 1);
    for (int s = 0; s < kSamplesPerRay; s += 4) {
        const __m128i row = _mm_madd_epi16(_mm_sub_epi32(_mm_srai_epi32(py, 8), top), rowLength);
        const __m128i four = gatherWords(patch.cells, _mm_add_epi32(row, _mm_sub_epi32(_mm_srai_epi32(px, 8), left)));
        const __m128i fx = _mm_and_si128(px, low);
        const __m128i fy = _mm_and_si128(py, low);
        const __m128i top = interpolate(_mm_and_si128(four, low), _mm_and_si128(_mm_srli_epi32(four, 8), low), fx);
        const __m128i bottom =
            interpolate(_mm_and_si128(_mm_srli_epi32(four, 16), low), _mm_srli_epi32(four, 24), fx);
        const __m128i h = interpolate(top, bottom, fy);
        const __m128 n = _mm_cvtepi32_ps(_mm_slli_epi32(_mm_sub_epi32(h, camera), 6));
        const __m128i p = _mm_add_epi32(_mm_cvttps_epi32(_mm_mul_ps(n, _mm_load_ps(depths.reciprocal + s))), horizon);
        _mm_store_si128(reinterpret_cast<__m128i*>(projected + s), p);
        // The texel under the sample, from the truncated quotients by 256.
        const __m128i texel = _mm_or_si128(_mm_slli_epi32(_mm_and_si128(divideBy256(py), textureMask), 6),
                                           _mm_and_si128(divideBy256(px), textureMask));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(colours + s), gatherWords(texture.pixels, texel));
        px = _mm_add_epi32(px, stepX);
        py = _mm_add_epi32(py, stepY);
    }
}

__attribute__((target("avx2"))) inline __m256i divideBy256(__m256i v)
{
    const __m256i bias = _mm256_and_si256(_mm256_srai_epi32(v, 31), _mm256_set1_epi32(255));
    return _mm256_srai_epi32(_mm256_add_epi32(v, bias), 8);
}

__attribute__((target("avx2"))) inline __m256i interpolate(__m256i a, __m256i b, __m256i f)
{
    return _mm256_add_epi32(a, divideBy256(_mm256_madd_epi16(_mm256_sub_epi32(b, a), f)));
}

// The same projection eight samples at a time, with the processor's
// gathers for the heights. The texel under each sample is only noted: few
// samples rise above nearer ones, and only their colours are read.
__attribute__((target("avx2"))) void projectRayAvx2(const HeightPatch& patch, const SampleDepths& depths, int32_t x, int32_t y, int32_t dx,
                                                    int32_t dy, int32_t cameraHeight,
                                                    int32_t (&projected)[kSamplesPerRay],
                                                    int32_t (&texelIndex)[kSamplesPerRay])
{
    auto at = [](int32_t start, int32_t step, int s) {
        return static_cast<int32_t>(static_cast<uint32_t>(start) + static_cast<uint32_t>(s) * static_cast<uint32_t>(step));
    };
    __m256i px = _mm256_setr_epi32(at(x, dx, 0), at(x, dx, 1), at(x, dx, 2), at(x, dx, 3), at(x, dx, 4), at(x, dx, 5),
                                   at(x, dx, 6), at(x, dx, 7));
    __m256i py = _mm256_setr_epi32(at(y, dy, 0), at(y, dy, 1), at(y, dy, 2), at(y, dy, 3), at(y, dy, 4), at(y, dy, 5),
                                   at(y, dy, 6), at(y, dy, 7));
    const __m256i stepX = _mm256_set1_epi32(at(0, dx, 8));
    const __m256i stepY = _mm256_set1_epi32(at(0, dy, 8));
    const __m256i left = _mm256_set1_epi32(patch.left);
    const __m256i top = _mm256_set1_epi32(patch.top);
    const __m256i rowLength = _mm256_set1_epi32(HeightPatch::kPatch);
    const __m256i low = _mm256_set1_epi32(255);
    const __m256i camera = _mm256_set1_epi32(cameraHeight);
    const __m256i horizon = _mm256_set1_epi32(100);
    const __m256i textureMask = _mm256_set1_epi32(kTextureSize - 1);
    const int* cells = reinterpret_cast<const int*>(patch.cells);
    for (int s = 0; s < kSamplesPerRay; s += 8) {
        const __m256i row = _mm256_madd_epi16(_mm256_sub_epi32(_mm256_srai_epi32(py, 8), top), rowLength);
        const __m256i four =
            _mm256_i32gather_epi32(cells, _mm256_add_epi32(row, _mm256_sub_epi32(_mm256_srai_epi32(px, 8), left)), 4);
        const __m256i fx = _mm256_and_si256(px, low);
        const __m256i fy = _mm256_and_si256(py, low);
        const __m256i upper =
            interpolate(_mm256_and_si256(four, low), _mm256_and_si256(_mm256_srli_epi32(four, 8), low), fx);
        const __m256i lower =
            interpolate(_mm256_and_si256(_mm256_srli_epi32(four, 16), low), _mm256_srli_epi32(four, 24), fx);
        const __m256i h = interpolate(upper, lower, fy);
        const __m256 n = _mm256_cvtepi32_ps(_mm256_slli_epi32(_mm256_sub_epi32(h, camera), 6));
        const __m256i p = _mm256_add_epi32(_mm256_cvttps_epi32(_mm256_mul_ps(n, _mm256_load_ps(depths.reciprocal + s))), horizon);
        _mm256_store_si256(reinterpret_cast<__m256i*>(projected + s), p);
        const __m256i texel = _mm256_or_si256(_mm256_slli_epi32(_mm256_and_si256(divideBy256(py), textureMask), 6),
                                              _mm256_and_si256(divideBy256(px), textureMask));
        _mm256_store_si256(reinterpret_cast<__m256i*>(texelIndex + s), texel);
        px = _mm256_add_epi32(px, stepX);
        py = _mm256_add_epi32(py, stepY);
    }
}

// Four neighbouring columns, painted bottom-up into a buffer per column
// (entry k is view row 239 - k) so that a run of rows is a few whole
// stores, then turned into the view's rows.
constexpr int kGroup = 4;
constexpr int kRunSlack = 16; // a run's stores may reach this far past its end

struct ColumnGroup {
    alignas(16) uint32_t colours[kGroup][kViewHeight + kRunSlack];
    int32_t drawn[kGroup];
};

// One column, front to back: each sample that rises above what is drawn
// paints the rows up to its height (clamped to the lowest row), i.e.
// entries drawn .. p - 1. So the height drawn after sample s is the
// running maximum of 0 and the clamped heights up to s; it is formed for
// all samples at once, without the branches whose outcome only the terrain
// knows. Entries at or above the drawn height are not final yet, so every
// sample stores a run of 16 from there whether it paints or not: later
// samples overwrite what lies past their own start, and what lies past the
// final height is never shown. Only runs longer than 16 rows take a loop.
constexpr int kRun = 16;

// The height drawn before and after each sample, from aligned stores (a
// misaligned one would hold up the loads that read it back).
struct RunningHeights {
    alignas(32) int32_t before[kSamplesPerRay];
    alignas(32) int32_t after[kSamplesPerRay];
};

void runningHeightsSse2(const int32_t (&projected)[kSamplesPerRay], RunningHeights& drawn)
{
    // Clamped heights are 0..239 and the projections lie within +-2^15,
    // so the signed 16-bit maximum and minimum act on the whole lanes.
    const __m128i lowest = _mm_set1_epi32(kLowestRow);
    __m128i carry = _mm_setzero_si128();
    for (int s = 0; s < kSamplesPerRay; s += 4) {
        const __m128i p = _mm_load_si128(reinterpret_cast<const __m128i*>(projected + s));
        __m128i height = _mm_min_epi16(_mm_max_epi16(p, _mm_setzero_si128()), lowest);
        height = _mm_max_epi16(height, _mm_slli_si128(height, 4));
        height = _mm_max_epi16(height, _mm_slli_si128(height, 8));
        height = _mm_max_epi16(height, carry);
        _mm_store_si128(reinterpret_cast<__m128i*>(drawn.before + s), _mm_max_epi16(_mm_slli_si128(height, 4), carry));
        _mm_store_si128(reinterpret_cast<__m128i*>(drawn.after + s), height);
        carry = _mm_shuffle_epi32(height, 0xFF);
    }
}

// The lanes moved up by some, zero coming in.
__attribute__((target("avx2"))) inline __m256i shiftedUp(__m256i v, int by)
{
    const __m256i from = _mm256_sub_epi32(_mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7), _mm256_set1_epi32(by));
    return _mm256_andnot_si256(_mm256_srai_epi32(from, 31), _mm256_permutevar8x32_epi32(v, from));
}

__attribute__((target("avx2"))) void runningHeightsAvx2(const int32_t (&projected)[kSamplesPerRay],
                                                        RunningHeights& drawn)
{
    const __m256i lowest = _mm256_set1_epi32(kLowestRow);
    __m256i carry = _mm256_setzero_si256();
    for (int s = 0; s < kSamplesPerRay; s += 8) {
        const __m256i p = _mm256_load_si256(reinterpret_cast<const __m256i*>(projected + s));
        __m256i height = _mm256_min_epi32(_mm256_max_epi32(p, _mm256_setzero_si256()), lowest);
        height = _mm256_max_epi32(height, shiftedUp(height, 1));
        height = _mm256_max_epi32(height, shiftedUp(height, 2));
        height = _mm256_max_epi32(height, shiftedUp(height, 4));
        height = _mm256_max_epi32(height, carry);
        _mm256_store_si256(reinterpret_cast<__m256i*>(drawn.before + s), _mm256_max_epi32(shiftedUp(height, 1), carry));
        _mm256_store_si256(reinterpret_cast<__m256i*>(drawn.after + s), height);
        carry = _mm256_permutevar8x32_epi32(height, _mm256_set1_epi32(7));
    }
}

void castColumnSse2(const HeightPatch& patch, const CImage& texture, const Camera& camera, const SampleDepths& depths,
                    int32_t dx, int32_t dy, uint32_t* colours, int32_t& drawnOut)
{
    alignas(32) int32_t projected[kSamplesPerRay];
    alignas(32) uint32_t sampleColours[kSamplesPerRay];
    RunningHeights drawn;
    projectRay(patch, texture, depths, camera.x, camera.y, dx, dy, camera.height, projected, sampleColours);
    runningHeightsSse2(projected, drawn);
    for (int s = 0; s < kSamplesPerRay; ++s) {
        const __m128i fill = _mm_set1_epi32(static_cast<int32_t>(sampleColours[s]));
        for (int32_t k = drawn.before[s]; k == drawn.before[s] || k < drawn.after[s]; k += kRun)
            for (int i = 0; i < kRun; i += 4)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(colours + k + i), fill);
    }
    drawnOut = drawn.after[kSamplesPerRay - 1];
}

// The same with AVX2.
__attribute__((target("avx2"))) void castColumnAvx2(const HeightPatch& patch, const CImage& texture,
                                                    const Camera& camera, const SampleDepths& depths, int32_t dx,
                                                    int32_t dy, uint32_t* colours, int32_t& drawnOut)
{
    alignas(32) int32_t projected[kSamplesPerRay];
    alignas(32) int32_t texelIndex[kSamplesPerRay];
    RunningHeights drawn;
    projectRayAvx2(patch, depths, camera.x, camera.y, dx, dy, camera.height, projected, texelIndex);
    runningHeightsAvx2(projected, drawn);
    // Most samples lie behind nearer ones and paint nothing; only the ones
    // that rise above what is drawn store their runs. Entries they leave
    // above the final height are never shown, and each painted entry is
    // written last by the sample that paints it, as before.
    uint64_t painting = 0;
    for (int s = 0; s < kSamplesPerRay; s += 8) {
        const __m256i before = _mm256_load_si256(reinterpret_cast<const __m256i*>(drawn.before + s));
        const __m256i after = _mm256_load_si256(reinterpret_cast<const __m256i*>(drawn.after + s));
        const int rises = _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpgt_epi32(after, before)));
        painting |= static_cast<uint64_t>(static_cast<uint32_t>(rises)) << s;
    }
    for (; painting != 0; painting &= painting - 1) {
        const int s = __builtin_ctzll(painting);
        const __m256i fill = _mm256_set1_epi32(static_cast<int32_t>(texture.pixels[texelIndex[s]]));
        for (int32_t k = drawn.before[s]; k < drawn.after[s]; k += kRun) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(colours + k), fill);
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(colours + k + 8), fill);
        }
    }
    drawnOut = drawn.after[kSamplesPerRay - 1];
}

#define VOXEL_AVX512 __attribute__((target("avx512f,avx512bw")))

// The zero-masked forms throughout: the plain ones leave GCC 12 warning
// about their undefined pass-through operand.
constexpr __mmask16 kAllLanes = 0xFFFF;

VOXEL_AVX512 inline __m512i divideBy256(__m512i v)
{
    const __m512i bias = _mm512_and_si512(_mm512_maskz_srai_epi32(kAllLanes, v, 31), _mm512_set1_epi32(255));
    return _mm512_maskz_srai_epi32(kAllLanes, _mm512_add_epi32(v, bias), 8);
}

VOXEL_AVX512 inline __m512i interpolate(__m512i a, __m512i b, __m512i f)
{
    return _mm512_add_epi32(a, divideBy256(_mm512_madd_epi16(_mm512_sub_epi32(b, a), f)));
}

// The AVX2 projection sixteen samples at a time.
VOXEL_AVX512 void projectRayAvx512(const HeightPatch& patch, const SampleDepths& depths, int32_t x, int32_t y,
                                   int32_t dx, int32_t dy, int32_t cameraHeight,
                                   int32_t (&projected)[kSamplesPerRay], int32_t (&texelIndex)[kSamplesPerRay])
{
    // Positions wrap as unsigned sums do; the low 32 bits of the products
    // are the same.
    const __m512i lane = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    __m512i px = _mm512_add_epi32(_mm512_set1_epi32(x), _mm512_mullo_epi32(lane, _mm512_set1_epi32(dx)));
    __m512i py = _mm512_add_epi32(_mm512_set1_epi32(y), _mm512_mullo_epi32(lane, _mm512_set1_epi32(dy)));
    const __m512i stepX = _mm512_maskz_slli_epi32(kAllLanes, _mm512_set1_epi32(dx), 4);
    const __m512i stepY = _mm512_maskz_slli_epi32(kAllLanes, _mm512_set1_epi32(dy), 4);
    const __m512i left = _mm512_set1_epi32(patch.left);
    const __m512i top = _mm512_set1_epi32(patch.top);
    const __m512i rowLength = _mm512_set1_epi32(HeightPatch::kPatch);
    const __m512i low = _mm512_set1_epi32(255);
    const __m512i camera = _mm512_set1_epi32(cameraHeight);
    const __m512i horizon = _mm512_set1_epi32(100);
    const __m512i textureMask = _mm512_set1_epi32(kTextureSize - 1);
    for (int s = 0; s < kSamplesPerRay; s += 16) {
        const __m512i row = _mm512_madd_epi16(_mm512_sub_epi32(_mm512_maskz_srai_epi32(kAllLanes, py, 8), top), rowLength);
        const __m512i cell = _mm512_add_epi32(row, _mm512_sub_epi32(_mm512_maskz_srai_epi32(kAllLanes, px, 8), left));
        const __m512i four = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), 0xFFFF, cell, patch.cells, 4);
        const __m512i fx = _mm512_and_si512(px, low);
        const __m512i fy = _mm512_and_si512(py, low);
        const __m512i upper =
            interpolate(_mm512_and_si512(four, low), _mm512_and_si512(_mm512_maskz_srli_epi32(kAllLanes, four, 8), low), fx);
        const __m512i lower =
            interpolate(_mm512_and_si512(_mm512_maskz_srli_epi32(kAllLanes, four, 16), low), _mm512_maskz_srli_epi32(kAllLanes, four, 24), fx);
        const __m512i h = interpolate(upper, lower, fy);
        const __m512 n = _mm512_maskz_cvtepi32_ps(kAllLanes, _mm512_maskz_slli_epi32(kAllLanes, _mm512_sub_epi32(h, camera), 6));
        const __m512i p =
            _mm512_add_epi32(_mm512_maskz_cvttps_epi32(kAllLanes, _mm512_mul_ps(n, _mm512_load_ps(depths.reciprocal + s))), horizon);
        _mm512_store_si512(projected + s, p);
        const __m512i texel = _mm512_or_si512(_mm512_maskz_slli_epi32(kAllLanes, _mm512_and_si512(divideBy256(py), textureMask), 6),
                                              _mm512_and_si512(divideBy256(px), textureMask));
        _mm512_store_si512(texelIndex + s, texel);
        px = _mm512_add_epi32(px, stepX);
        py = _mm512_add_epi32(py, stepY);
    }
}

// The lanes moved up by some, zero coming in.
VOXEL_AVX512 inline __m512i shiftedUp(__m512i v, int by)
{
    const __m512i from = _mm512_sub_epi32(_mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                          _mm512_set1_epi32(by));
    return _mm512_maskz_permutexvar_epi32(static_cast<__mmask16>(0xFFFFu << by), from, v);
}

// The running heights as runningHeightsAvx2 forms them, and which samples
// rise above what is drawn before them, a bit each.
VOXEL_AVX512 uint64_t runningHeightsAvx512(const int32_t (&projected)[kSamplesPerRay], RunningHeights& drawn)
{
    const __m512i lowest = _mm512_set1_epi32(kLowestRow);
    __m512i carry = _mm512_setzero_si512();
    uint64_t painting = 0;
    for (int s = 0; s < kSamplesPerRay; s += 16) {
        const __m512i p = _mm512_load_si512(projected + s);
        __m512i height = _mm512_maskz_min_epi32(kAllLanes, _mm512_maskz_max_epi32(kAllLanes, p, _mm512_setzero_si512()), lowest);
        height = _mm512_maskz_max_epi32(kAllLanes, height, shiftedUp(height, 1));
        height = _mm512_maskz_max_epi32(kAllLanes, height, shiftedUp(height, 2));
        height = _mm512_maskz_max_epi32(kAllLanes, height, shiftedUp(height, 4));
        height = _mm512_maskz_max_epi32(kAllLanes, height, shiftedUp(height, 8));
        height = _mm512_maskz_max_epi32(kAllLanes, height, carry);
        const __m512i before = _mm512_maskz_max_epi32(kAllLanes, shiftedUp(height, 1), carry);
        _mm512_store_si512(drawn.before + s, before);
        _mm512_store_si512(drawn.after + s, height);
        painting |= static_cast<uint64_t>(_mm512_cmpgt_epi32_mask(height, before)) << s;
        carry = _mm512_maskz_permutexvar_epi32(kAllLanes, _mm512_set1_epi32(15), height);
    }
    return painting;
}

// The same as castColumnAvx2 with AVX-512.
VOXEL_AVX512 void castColumnAvx512(const HeightPatch& patch, const CImage& texture, const Camera& camera,
                                   const SampleDepths& depths, int32_t dx, int32_t dy, uint32_t* colours,
                                   int32_t& drawnOut)
{
    alignas(64) int32_t projected[kSamplesPerRay];
    alignas(64) int32_t texelIndex[kSamplesPerRay];
    alignas(64) RunningHeights drawn;
    projectRayAvx512(patch, depths, camera.x, camera.y, dx, dy, camera.height, projected, texelIndex);
    for (uint64_t painting = runningHeightsAvx512(projected, drawn); painting != 0; painting &= painting - 1) {
        const int s = __builtin_ctzll(painting);
        const __m512i fill = _mm512_set1_epi32(static_cast<int32_t>(texture.pixels[texelIndex[s]]));
        for (int32_t k = drawn.before[s]; k < drawn.after[s]; k += kRun)
            _mm512_storeu_si512(colours + k, fill);
    }
    drawnOut = drawn.after[kSamplesPerRay - 1];
}

using CastColumn = void (*)(const HeightPatch&, const CImage&, const Camera&, const SampleDepths&, int32_t, int32_t,
                            uint32_t*, int32_t&);

inline void transpose4(__m128i& a, __m128i& b, __m128i& c, __m128i& d)
{
    const __m128i ab0 = _mm_unpacklo_epi32(a, b), ab1 = _mm_unpackhi_epi32(a, b);
    const __m128i cd0 = _mm_unpacklo_epi32(c, d), cd1 = _mm_unpackhi_epi32(c, d);
    a = _mm_unpacklo_epi64(ab0, cd0);
    b = _mm_unpackhi_epi64(ab0, cd0);
    c = _mm_unpacklo_epi64(ab1, cd1);
    d = _mm_unpackhi_epi64(ab1, cd1);
}

// The group's columns into the view, four entries (rows) at a time: a
// lane whose column is not drawn that high keeps the view's pixel.
// With keepAbove false, the rows above a column's painted ones (up to the
// group's highest) get whatever its buffer holds there, for a caller that
// paints them over next.
template <bool keepAbove>
void showGroup(const ColumnGroup& group, int column, uint32_t* view)
{
    const int32_t highest = std::max(std::max(group.drawn[0], group.drawn[1]), std::max(group.drawn[2], group.drawn[3]));
    const __m128i drawn = _mm_loadu_si128(reinterpret_cast<const __m128i*>(group.drawn));
    auto load = [&](int lane, int k) { return _mm_load_si128(reinterpret_cast<const __m128i*>(&group.colours[lane][k])); };
    for (int32_t k = 0; k < highest; k += 4) {
        __m128i rows[4] = {load(0, k), load(1, k), load(2, k), load(3, k)};
        transpose4(rows[0], rows[1], rows[2], rows[3]);
        for (int i = 0; i < 4 && k + i < highest; ++i) {
            __m128i* out = reinterpret_cast<__m128i*>(view + (kLowestRow - k - i) * kViewWidth + column);
            if (!keepAbove) {
                _mm_storeu_si128(out, rows[i]);
                continue;
            }
            const __m128i painted = _mm_cmpgt_epi32(drawn, _mm_set1_epi32(k + i));
            _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(painted, rows[i]), _mm_andnot_si128(painted, _mm_loadu_si128(out))));
        }
    }
}

template <CastColumn castColumn, bool keepAbove = true>
void drawTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms, int32_t* paintedRows)
{
    static const SampleDepths depths;
    static_assert(kViewWidth % kGroup == 0 && kViewHeight % 4 == 0, "whole groups");
    const Camera camera = placeCamera(effects.heightMap->pixels, ms);
    const RaySteps steps = aimRays(camera);
    const HeightPatch patch(effects.heightMap->pixels, camera, steps);
    ColumnGroup group;
    for (int column = 0; column < kViewWidth; column += kGroup) {
        for (int lane = 0; lane < kGroup; ++lane)
            castColumn(patch, texture, camera, depths, steps.dx[column + lane], steps.dy[column + lane],
                       group.colours[lane], group.drawn[lane]);
        showGroup<keepAbove>(group, column, view);
        if (paintedRows != nullptr)
            std::copy(group.drawn, group.drawn + kGroup, paintedRows + column);
    }
}

} // namespace

int32_t SampleHeight(const CImage& heightMap, int32_t x, int32_t y)
{
    return sampleHeight(heightMap.pixels, x, y);
}

bool VoxelCanUseAvx2()
{
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

void DrawVoxelTerrainSse2(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    drawTerrain<castColumnSse2>(effects, texture, view, ms, nullptr);
}

void DrawVoxelTerrainAvx2(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    drawTerrain<castColumnAvx2>(effects, texture, view, ms, nullptr);
}

bool VoxelCanUseAvx512()
{
    static const bool supported = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
    return supported;
}

void DrawVoxelTerrainAvx512(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    drawTerrain<castColumnAvx512>(effects, texture, view, ms, nullptr);
}

void DrawVoxelTerrainCounting(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                              int32_t* paintedRows)
{
    if (VoxelCanUseAvx512())
        drawTerrain<castColumnAvx512>(effects, texture, view, ms, paintedRows);
    else if (VoxelCanUseAvx2())
        drawTerrain<castColumnAvx2>(effects, texture, view, ms, paintedRows);
    else
        drawTerrain<castColumnSse2>(effects, texture, view, ms, paintedRows);
}

void DrawVoxelTerrainToBeCovered(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                                 int32_t* paintedRows)
{
    if (VoxelCanUseAvx512())
        drawTerrain<castColumnAvx512, false>(effects, texture, view, ms, paintedRows);
    else if (VoxelCanUseAvx2())
        drawTerrain<castColumnAvx2, false>(effects, texture, view, ms, paintedRows);
    else
        drawTerrain<castColumnSse2, false>(effects, texture, view, ms, paintedRows);
}

void DrawVoxelTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    DrawVoxelTerrainCounting(effects, texture, view, ms, nullptr);
}
