#include "gfx/glyph_blend.h"

#include "gfx/frame.h"

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace {

#if defined(__SSE2__)
// blendOver in 16-bit lanes. (k - t) * a >> 8 with an arithmetic shift is
// the floor of (k - t) * a / 256, which is the high half of the signed
// product ((k - t) << 7) * (2 * a): both factors fit 16 signed bits
// (|k - t| <= 255, a <= 255). The alpha lanes have a strength of 0 and keep
// the target's alpha byte. A pixel whose sheet pixel has a blue byte of 0
// keeps its bits.
struct Sse2Blend {
    __m128i colour; // two pixels' worth of the colour's bytes
    __m128i twice;  // twice the strength in the blue, green and red lanes

    explicit Sse2Blend(const TextColour& text)
        : colour(_mm_load_si128(reinterpret_cast<const __m128i*>(text.bytes))),
          twice(_mm_load_si128(reinterpret_cast<const __m128i*>(text.twice)))
    {
    }
    __m128i blendHalf(__m128i t) const
    {
        return _mm_add_epi16(t, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(colour, t), 7), twice));
    }
    // Four target pixels under four sheet pixels.
    __m128i blend(__m128i target, __m128i sheet) const
    {
        const __m128i zero = _mm_setzero_si128();
        const __m128i bare = _mm_cmpeq_epi32(_mm_and_si128(sheet, _mm_set1_epi32(0xFF)), zero);
        const __m128i blended = _mm_packus_epi16(blendHalf(_mm_unpacklo_epi8(target, zero)),
                                                 blendHalf(_mm_unpackhi_epi8(target, zero)));
        return _mm_or_si128(_mm_and_si128(bare, target), _mm_andnot_si128(bare, blended));
    }
};

inline __m128i load4(const uint32_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }
inline void store4(uint32_t* at, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(at), v); }

// One row, reading and writing nothing outside it. A row whose width is not
// a multiple of four ends with a group that overlaps the one before it;
// that group is blended from the row as it was before any store, so its
// overlapping pixels get the same bits as the earlier group gave them, not
// a second blend. Rows of fewer than four go pixel by pixel.
void rowWithin4(uint32_t* target, const uint32_t* sheet, int64_t count, const Sse2Blend& blend)
{
    if (count < 4) {
        for (int64_t c = 0; c < count; ++c) {
            const __m128i t = _mm_cvtsi32_si128(static_cast<int32_t>(target[c]));
            const __m128i s = _mm_cvtsi32_si128(static_cast<int32_t>(sheet[c]));
            target[c] = static_cast<uint32_t>(_mm_cvtsi128_si32(blend.blend(t, s)));
        }
        return;
    }
    const int64_t last = count - 4;
    const __m128i lastGroup = blend.blend(load4(target + last), load4(sheet + last));
    for (int64_t c = 0; c < last; c += 4)
        store4(target + c, blend.blend(load4(target + c), load4(sheet + c)));
    store4(target + last, lastGroup);
}

// One row where the buffers go on past its last group of four: the pixels
// of that group beyond the row count as uncovered, so the store gives them
// back the bits just read.
inline void rowPadded4(uint32_t* target, const uint32_t* sheet, int64_t count, const Sse2Blend& blend)
{
    int64_t c = 0;
    for (; c + 4 <= count; c += 4)
        store4(target + c, blend.blend(load4(target + c), load4(sheet + c)));
    if (c == count)
        return;
    const __m128i inRow = _mm_cmplt_epi32(_mm_setr_epi32(0, 1, 2, 3), _mm_set1_epi32(static_cast<int32_t>(count - c)));
    store4(target + c, blend.blend(load4(target + c), _mm_and_si128(inRow, load4(sheet + c))));
}

void blendGlyphSse2(const GlyphRows& glyph, const TextColour& colour)
{
    const Sse2Blend blend(colour);
    uint32_t* target = glyph.target;
    const uint32_t* sheet = glyph.sheet;
    if ((glyph.count + 3) / 4 * 4 <= glyph.room) {
        for (int64_t r = 0; r < glyph.rows; ++r, target += kViewWidth, sheet += glyph.sheetStride)
            rowPadded4(target, sheet, glyph.count, blend);
    } else {
        for (int64_t r = 0; r < glyph.rows; ++r, target += kViewWidth, sheet += glyph.sheetStride)
            rowWithin4(target, sheet, glyph.count, blend);
    }
}

// The same blend on eight pixels; 256-bit unpacking and packing work within
// each 128-bit half, so the pixels come back in their order.
struct Avx2Blend {
    __m256i colour;
    __m256i twice;
};

__attribute__((target("avx2"))) inline __m256i blendHalf8(__m256i t, const Avx2Blend& b)
{
    return _mm256_add_epi16(t, _mm256_mulhi_epi16(_mm256_slli_epi16(_mm256_sub_epi16(b.colour, t), 7), b.twice));
}

__attribute__((target("avx2"))) inline __m256i blend8(__m256i target, __m256i sheet, const Avx2Blend& b)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i bare = _mm256_cmpeq_epi32(_mm256_and_si256(sheet, _mm256_set1_epi32(0xFF)), zero);
    const __m256i blended = _mm256_packus_epi16(blendHalf8(_mm256_unpacklo_epi8(target, zero), b),
                                                blendHalf8(_mm256_unpackhi_epi8(target, zero), b));
    return _mm256_blendv_epi8(blended, target, bare);
}

__attribute__((target("avx2"))) inline __m256i load8(const uint32_t* at)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

__attribute__((target("avx2"))) inline void store8(uint32_t* at, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v);
}

// rowPadded4 eight at a time.
__attribute__((target("avx2"))) inline void rowPadded8(uint32_t* target, const uint32_t* sheet, int64_t count,
                                                       const Avx2Blend& b)
{
    int64_t c = 0;
    for (; c + 8 <= count; c += 8)
        store8(target + c, blend8(load8(target + c), load8(sheet + c), b));
    if (c == count)
        return;
    const __m256i inRow =
        _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int32_t>(count - c)), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    store8(target + c, blend8(load8(target + c), _mm256_and_si256(inRow, load8(sheet + c)), b));
}

// rowWithin4 eight at a time, for rows of at least eight.
__attribute__((target("avx2"))) inline void rowWithin8(uint32_t* target, const uint32_t* sheet, int64_t count,
                                                       const Avx2Blend& b)
{
    const int64_t last = count - 8;
    const __m256i lastGroup = blend8(load8(target + last), load8(sheet + last), b);
    for (int64_t c = 0; c < last; c += 8)
        store8(target + c, blend8(load8(target + c), load8(sheet + c), b));
    store8(target + last, lastGroup);
}

__attribute__((target("avx2"))) void blendGlyphAvx2(const GlyphRows& glyph, const TextColour& colour)
{
    const Avx2Blend wide{_mm256_load_si256(reinterpret_cast<const __m256i*>(colour.bytes)),
                         _mm256_load_si256(reinterpret_cast<const __m256i*>(colour.twice))};
    uint32_t* target = glyph.target;
    const uint32_t* sheet = glyph.sheet;
    if ((glyph.count + 7) / 8 * 8 <= glyph.room) {
        for (int64_t r = 0; r < glyph.rows; ++r, target += kViewWidth, sheet += glyph.sheetStride)
            rowPadded8(target, sheet, glyph.count, wide);
    } else if (glyph.count >= 8) {
        for (int64_t r = 0; r < glyph.rows; ++r, target += kViewWidth, sheet += glyph.sheetStride)
            rowWithin8(target, sheet, glyph.count, wide);
    } else {
        blendGlyphSse2(glyph, colour);
    }
}
#endif

} // namespace

#if !defined(__SSE2__)
namespace {

void blendGlyphPlain(const GlyphRows& glyph, const TextColour& colour)
{
    const int32_t alpha = static_cast<int32_t>(colour.colour >> 24);
    for (int64_t r = 0; r < glyph.rows; ++r) {
        uint32_t* target = glyph.target + r * kViewWidth;
        const uint32_t* sheet = glyph.sheet + r * glyph.sheetStride;
        for (int64_t c = 0; c < glyph.count; ++c)
            if ((sheet[c] & 0xFF) != 0) // blue 0: no coverage
                target[c] = blendOver(target[c], colour.colour, alpha);
    }
}

} // namespace
#endif

TextColour::TextColour(uint32_t colour, Lanes lanes) : colour(colour)
{
#if defined(__SSE2__)
    blendRows = lanes == Lanes::Avx2 ? blendGlyphAvx2 : blendGlyphSse2;
#else
    (void)lanes;
    blendRows = blendGlyphPlain;
#endif
    const uint16_t strength = static_cast<uint16_t>(colour >> 24);
    for (int i = 0; i < 16; ++i) {
        const int channel = i % 4;
        bytes[i] = static_cast<uint16_t>((colour >> (8 * channel)) & 0xFF);
        twice[i] = channel == 3 ? 0 : static_cast<uint16_t>(2 * strength);
    }
}
