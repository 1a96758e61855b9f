#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <emmintrin.h>

namespace {

constexpr int kMaxIterations = 31;
constexpr int kLanes = 4;
constexpr int kVectors = 2; // two independent vectors hide the latency of the chain
static_assert(kLanes * kVectors == kJuliaBlock);

// Every value of the iteration is single precision, and the vector code does
// exactly the scalar steps in the same order in each lane:
//   zr' = (zr*zr + cr) - zi*zi,  zi' = zr*zi + (ci + zr*zi),
// then escape when zr'*zr' + zi'*zi' > 100. A lane that escaped keeps
// iterating (its values may run to infinity) but no longer counts.
} // namespace

void CountJuliaBlock(const float* startRe, float startIm, float cr, float ci, int32_t* counts)
{
    const __m128 vcr = _mm_set1_ps(cr);
    const __m128 vci = _mm_set1_ps(ci);
    const __m128 limit = _mm_set1_ps(100.0f);
    const __m128i one = _mm_set1_epi32(1);
    __m128 zr[kVectors], zi[kVectors], zr2[kVectors], zi2[kVectors];
    __m128i active[kVectors], count[kVectors];
    for (int k = 0; k < kVectors; ++k) {
        zr[k] = _mm_loadu_ps(startRe + k * kLanes);
        zi[k] = _mm_set1_ps(startIm);
        zr2[k] = _mm_mul_ps(zr[k], zr[k]);
        zi2[k] = _mm_mul_ps(zi[k], zi[k]);
        active[k] = _mm_set1_epi32(-1);
        count[k] = _mm_setzero_si128();
    }
    for (int n = 1; n <= kMaxIterations; ++n) {
        int anyActive = 0;
        for (int k = 0; k < kVectors; ++k) {
            const __m128 product = _mm_mul_ps(zr[k], zi[k]);
            zr[k] = _mm_sub_ps(_mm_add_ps(zr2[k], vcr), zi2[k]);
            zi[k] = _mm_add_ps(product, _mm_add_ps(vci, product));
            zr2[k] = _mm_mul_ps(zr[k], zr[k]);
            zi2[k] = _mm_mul_ps(zi[k], zi[k]);
            const __m128 escaped = _mm_cmpgt_ps(_mm_add_ps(zr2[k], zi2[k]), limit);
            active[k] = _mm_andnot_si128(_mm_castps_si128(escaped), active[k]);
            count[k] = _mm_add_epi32(count[k], _mm_and_si128(active[k], one));
            anyActive |= _mm_movemask_epi8(active[k]);
        }
        if (anyActive == 0)
            break;
    }
    for (int k = 0; k < kVectors; ++k)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(counts + k * kLanes), count[k]);
}

void DrawJulia(const CImage& paletteStrip, uint32_t* view, uint32_t ms)
{
    const float s = static_cast<float>(static_cast<double>(ms) / 1000.0);
    const float argRe = static_cast<float>(s * 0.9);
    const float argIm = static_cast<float>(s * 0.5 + 1.3);
    const float cr = static_cast<float>(singleSine(argRe) * 0.5);
    const float ci = static_cast<float>(singleCosine(argIm) * 0.5);

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
            CountJuliaBlock(startRe + x, startIm, cr, ci, counts);
            for (int i = 0; i < kJuliaBlock; ++i)
                out[x + i] = colours[counts[i]];
        }
    }
}
