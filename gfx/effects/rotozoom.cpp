#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <emmintrin.h>

namespace {

constexpr int kLanes = 8;
static_assert(kViewWidth % kLanes == 0);

// Eight texel indices from eight 16-bit lanes of u and v.
inline __m128i texelIndices(__m128i u, __m128i v)
{
    const __m128i rowBits = _mm_set1_epi16(63 << 6);
    const __m128i columnBits = _mm_set1_epi16(63);
    return _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 2), rowBits), _mm_and_si128(_mm_srli_epi16(u, 8), columnBits));
}

inline __m128i fourTexels(const uint32_t* texels, int a, int b, int c, int d)
{
    const __m128i ab = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(texels[a])),
                                          _mm_cvtsi32_si128(static_cast<int>(texels[b])));
    const __m128i cd = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(texels[c])),
                                          _mm_cvtsi32_si128(static_cast<int>(texels[d])));
    return _mm_unpacklo_epi64(ab, cd);
}

} // namespace

void DrawRotozoom(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const uint32_t t = ms / 20;
    // The table's +127 offset stays in: S and C are 0..254.
    const uint32_t s = effects.sineTable[t & 255];
    const uint32_t c = effects.sineTable[(t + 64) & 255];
    // 8.8 fixed point in unsigned 32-bit arithmetic: only bits 8..13 of u and
    // v pick the texel, so the wrap-around of the sums is harmless, and so
    // is keeping only their low 16 bits: eight pixels to an SSE2 vector.
    uint32_t rowU = 0u - 125u * t;
    uint32_t rowV = 0u - 270u * t;
    const __m128i lane = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7);
    const __m128i laneU = _mm_mullo_epi16(lane, _mm_set1_epi16(static_cast<short>(c)));
    const __m128i laneV = _mm_mullo_epi16(lane, _mm_set1_epi16(static_cast<short>(s)));
    const __m128i stepU = _mm_set1_epi16(static_cast<short>(kLanes * c));
    const __m128i stepV = _mm_set1_epi16(static_cast<short>(kLanes * s));
    const uint32_t* texels = texture.pixels;
    for (int y = 0; y < kViewHeight; ++y) {
        __m128i u = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(rowU)), laneU);
        __m128i v = _mm_add_epi16(_mm_set1_epi16(static_cast<short>(rowV)), laneV);
        uint32_t* out = view + y * kViewWidth;
        for (int x = 0; x < kViewWidth; x += kLanes) {
            // The texture is 16 KiB and stays in the first-level cache: the
            // loads one by one beat the processors' gathers here.
            const __m128i index = texelIndices(u, v);
            const __m128i low = fourTexels(texels, _mm_extract_epi16(index, 0), _mm_extract_epi16(index, 1),
                                           _mm_extract_epi16(index, 2), _mm_extract_epi16(index, 3));
            const __m128i high = fourTexels(texels, _mm_extract_epi16(index, 4), _mm_extract_epi16(index, 5),
                                            _mm_extract_epi16(index, 6), _mm_extract_epi16(index, 7));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), low);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), high);
            u = _mm_add_epi16(u, stepU);
            v = _mm_add_epi16(v, stepV);
        }
        rowU -= s;
        rowV += c;
    }
}
