#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <cstring>
#include <emmintrin.h>

namespace {

constexpr int kMaxIterations = 31;
constexpr int kLanes = 8;
constexpr int kVectors = kJuliaBlock / kLanes; // independent chains hide the latency
static_assert(kLanes * kVectors == kJuliaBlock);

// Eight single-precision lanes, for the AVX2 build. The lanes do exactly
// the scalar IEEE single-precision steps (the build forbids fused
// multiply-add), so the counts are the same as one pixel at a time.
typedef float Floats __attribute__((vector_size(32)));
typedef int32_t Ints __attribute__((vector_size(32)));
typedef uint64_t Words __attribute__((vector_size(32)));

// Every value of the iteration is single precision, in this order:
//   zr' = (zr*zr + cr) - zi*zi,  zi' = zr*zi + (ci + zr*zi),
// then escape when zr'*zr' + zi'*zi' > 100 (exactly 100 stays). A lane that
// escaped keeps iterating (its values may run to infinity) but no longer
// counts; the block stops when every lane has escaped.
__attribute__((always_inline)) inline void countLanes(const float* startRe, float startIm, float cr, float ci,
                                                      int32_t* counts)
{
    Floats zr[kVectors], zi[kVectors], zr2[kVectors], zi2[kVectors];
    Ints active[kVectors], count[kVectors];
#pragma GCC unroll 4
    for (int k = 0; k < kVectors; ++k) {
        std::memcpy(&zr[k], startRe + k * kLanes, sizeof(Floats));
        zi[k] = Floats{} + startIm;
        zr2[k] = zr[k] * zr[k];
        zi2[k] = zi[k] * zi[k];
        active[k] = Ints{} - 1;
        count[k] = Ints{};
    }
    for (int n = 1; n <= kMaxIterations; ++n) {
        Ints stillGoing = {};
#pragma GCC unroll 4
        for (int k = 0; k < kVectors; ++k) {
            const Floats product = zr[k] * zi[k];
            zr[k] = (zr2[k] + cr) - zi2[k];
            zi[k] = product + (ci + product);
            zr2[k] = zr[k] * zr[k];
            zi2[k] = zi[k] * zi[k];
            const Ints escaped = (zr2[k] + zi2[k]) > 100.0f;
            active[k] &= ~escaped;
            count[k] -= active[k]; // active lanes are -1
            stillGoing |= active[k];
        }
        const Words any = reinterpret_cast<Words>(stillGoing);
        if ((any[0] | any[1] | any[2] | any[3]) == 0)
            break;
    }
#pragma GCC unroll 4
    for (int k = 0; k < kVectors; ++k)
        std::memcpy(counts + k * kLanes, &count[k], sizeof(Ints));
}

// The same steps as countLanes with four-lane SSE2 intrinsics. The block is
// taken eight lanes at a time, so that the values of the iteration stay in
// the sixteen SSE registers; the compiler's split of the eight-lane vectors
// spills them and runs five times slower.
template <int kGroupVectors>
inline void countLanesSse2(const float* startRe, float startIm, float cr, float ci, int32_t* counts)
{
    const __m128 vcr = _mm_set1_ps(cr);
    const __m128 vci = _mm_set1_ps(ci);
    const __m128 limit = _mm_set1_ps(100.0f);
    __m128 zr[kGroupVectors], zi[kGroupVectors], zr2[kGroupVectors], zi2[kGroupVectors];
    __m128i active[kGroupVectors], count[kGroupVectors];
#pragma GCC unroll 4
    for (int k = 0; k < kGroupVectors; ++k) {
        zr[k] = _mm_loadu_ps(startRe + 4 * k);
        zi[k] = _mm_set1_ps(startIm);
        zr2[k] = _mm_mul_ps(zr[k], zr[k]);
        zi2[k] = _mm_mul_ps(zi[k], zi[k]);
        active[k] = _mm_set1_epi32(-1);
        count[k] = _mm_setzero_si128();
    }
    for (int n = 1; n <= kMaxIterations; ++n) {
        __m128i stillGoing = _mm_setzero_si128();
#pragma GCC unroll 4
        for (int k = 0; k < kGroupVectors; ++k) {
            const __m128 product = _mm_mul_ps(zr[k], zi[k]);
            zr[k] = _mm_sub_ps(_mm_add_ps(zr2[k], vcr), zi2[k]);
            zi[k] = _mm_add_ps(product, _mm_add_ps(vci, product));
            zr2[k] = _mm_mul_ps(zr[k], zr[k]);
            zi2[k] = _mm_mul_ps(zi[k], zi[k]);
            const __m128 escaped = _mm_cmpgt_ps(_mm_add_ps(zr2[k], zi2[k]), limit);
            active[k] = _mm_andnot_si128(_mm_castps_si128(escaped), active[k]);
            count[k] = _mm_sub_epi32(count[k], active[k]);
            stillGoing = _mm_or_si128(stillGoing, active[k]);
        }
        if (_mm_movemask_epi8(stillGoing) == 0)
            break;
    }
#pragma GCC unroll 4
    for (int k = 0; k < kGroupVectors; ++k)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(counts + 4 * k), count[k]);
}

} // namespace

void CountJuliaBlockSse2(const float* startRe, float startIm, float cr, float ci, int32_t* counts)
{
    constexpr int kGroupVectors = 2;
    for (int x = 0; x < kJuliaBlock; x += 4 * kGroupVectors)
        countLanesSse2<kGroupVectors>(startRe + x, startIm, cr, ci, counts + x);
}

__attribute__((target("avx2"))) void CountJuliaBlockAvx2(const float* startRe, float startIm, float cr, float ci,
                                                       int32_t* counts)
{
    countLanes(startRe, startIm, cr, ci, counts);
}

bool JuliaCanUseAvx2()
{
    return __builtin_cpu_supports("avx2");
}

void CountJuliaBlock(const float* startRe, float startIm, float cr, float ci, int32_t* counts)
{
    if (JuliaCanUseAvx2())
        CountJuliaBlockAvx2(startRe, startIm, cr, ci, counts);
    else
        CountJuliaBlockSse2(startRe, startIm, cr, ci, counts);
}

void DrawJulia(const CImage& paletteStrip, uint32_t* view, uint32_t ms)
{
    const float s = static_cast<float>(static_cast<double>(ms) / 1000.0);
    const float argRe = static_cast<float>(s * 0.9);
    const float argIm = static_cast<float>(s * 0.5 + 1.3);
    const float cr = static_cast<float>(singleSine(argRe) * 0.5);
    const float ci = static_cast<float>(singleCosine(argIm) * 0.5);
    const auto countBlock = JuliaCanUseAvx2() ? CountJuliaBlockAvx2 : CountJuliaBlockSse2;

    // The start points do not depend on the time.
    float startRe[kViewWidth];
    for (int x = 0; x < kViewWidth; ++x)
        startRe[x] = static_cast<float>(x) / 320 * 4 - 2;
    uint32_t colours[kMaxIterations + 1];
    for (int count = 0; count <= kMaxIterations; ++count)
        colours[count] = paletteStrip.pixels[kMaxIterations - count];

    static_assert(kViewWidth % kJuliaBlock == 0);
    int32_t counts[kJuliaBlock];
    for (int y = 0; y < kViewHeight; ++y) {
        const float startIm = static_cast<float>(y) / 240 * 4 - 2;
        uint32_t* out = view + y * kViewWidth;
        for (int x = 0; x < kViewWidth; x += kJuliaBlock) {
            countBlock(startRe + x, startIm, cr, ci, counts);
            for (int i = 0; i < kJuliaBlock; ++i)
                out[x + i] = colours[counts[i]];
        }
    }
}
