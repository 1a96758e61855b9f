// Compiled once per vector target (Highway's foreach_target re-includes this
// file); the target the program chose runs.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "gfx/glyph_blend.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep

#include <hwy/highway.h>

#include "gfx/frame.h"
#include "gfx/glyph_blend.h"

HWY_BEFORE_NAMESPACE();
namespace glyph_blend {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

// The plain form: blendOver where the sheet pixel's blue byte is not 0.
inline void blendPixels(uint32_t* target, const uint32_t* sheet, int64_t count, const TextColour& text)
{
    const int32_t alpha = static_cast<int32_t>(text.colour >> 24);
    for (int64_t c = 0; c < count; ++c)
        if ((sheet[c] & 0xFF) != 0)
            target[c] = blendOver(target[c], text.colour, alpha);
}

#if HWY_TARGET == HWY_SCALAR

void BlendGlyphRows(const GlyphRows& glyph, const TextColour& text)
{
    for (int64_t r = 0; r < glyph.rows; ++r)
        blendPixels(glyph.target + r * kViewWidth, glyph.sheet + r * glyph.sheetStride, glyph.count, text);
}

#else

// blendOver in 16-bit lanes, a byte in each: (k - t) * a >> 8 with an
// arithmetic shift is the floor of (k - t) * a / 256, which is the high half
// of the signed product ((k - t) << 7) * (2 * a); both factors fit 16 signed
// bits (|k - t| <= 255, a <= 255). A strength of 0 keeps the byte.
template <class V16>
HWY_INLINE V16 blendBytes(V16 t, V16 k, V16 twice)
{
    return hn::Add(t, hn::MulHigh(hn::ShiftLeft<7>(hn::Sub(k, t)), twice));
}

// The target pixels under the sheet pixels; a pixel whose sheet pixel has a
// blue byte of 0 keeps its bits. (The colour's vectors are set up here
// rather than kept: scalable vectors cannot be members, and the compiler
// lifts them out of the loops anyway.)
template <class D, class V>
HWY_INLINE V blendVector(D d, V target, V sheet, const TextColour& text)
{
    const hn::Repartition<int16_t, D> d16;
    const V low = hn::Set(d, 0x00FF00FFu);
    const auto evenBytes = hn::BitCast(d16, hn::And(target, low));
    const auto oddBytes = hn::BitCast(d16, hn::And(hn::ShiftRight<8>(target), low));
    const auto even = blendBytes(evenBytes, hn::BitCast(d16, hn::Set(d, text.blueRed)),
                                 hn::BitCast(d16, hn::Set(d, text.blueRedTwice)));
    const auto odd = blendBytes(oddBytes, hn::BitCast(d16, hn::Set(d, text.greenAlpha)),
                                hn::BitCast(d16, hn::Set(d, text.greenAlphaTwice)));
    const V blended = hn::Or(hn::BitCast(d, even), hn::ShiftLeft<8>(hn::BitCast(d, odd)));
    const auto bare = hn::Eq(hn::And(sheet, hn::Set(d, 0xFFu)), hn::Zero(d));
    return hn::IfThenElse(bare, target, blended);
}

// One row where the buffers go on past its last vector: the pixels of that
// vector beyond the row count as uncovered, so the store gives them back the
// bits just read.
template <class D>
HWY_INLINE void rowPadded(D d, uint32_t* target, const uint32_t* sheet, int64_t count, const TextColour& text)
{
    const int64_t n = static_cast<int64_t>(hn::Lanes(d));
    int64_t c = 0;
    for (; c + n <= count; c += n)
        hn::StoreU(blendVector(d, hn::LoadU(d, target + c), hn::LoadU(d, sheet + c), text), d, target + c);
    if (c == count)
        return;
    const auto inRow = hn::FirstN(d, static_cast<size_t>(count - c));
    const auto sheetInRow = hn::IfThenElseZero(inRow, hn::LoadU(d, sheet + c));
    hn::StoreU(blendVector(d, hn::LoadU(d, target + c), sheetInRow, text), d, target + c);
}

// One row of at least a vector, reading and writing nothing outside it. A
// row that is not a whole number of vectors ends with one that overlaps the
// one before it; that one is blended from the row as it was before any
// store, so its overlapping pixels get the same bits as the earlier vector
// gave them, not a second blend.
template <class D>
HWY_INLINE void rowWithin(D d, uint32_t* target, const uint32_t* sheet, int64_t count, const TextColour& text)
{
    const int64_t last = count - static_cast<int64_t>(hn::Lanes(d));
    const auto lastVector = blendVector(d, hn::LoadU(d, target + last), hn::LoadU(d, sheet + last), text);
    for (int64_t c = 0; c < last; c += static_cast<int64_t>(hn::Lanes(d)))
        hn::StoreU(blendVector(d, hn::LoadU(d, target + c), hn::LoadU(d, sheet + c), text), d, target + c);
    hn::StoreU(lastVector, d, target + last);
}

// The glyph in vectors of D when its rows allow; false when they are too
// short for it.
template <class D>
HWY_INLINE bool blendRowsIn(D d, const GlyphRows& glyph, const TextColour& text)
{
    const int64_t n = static_cast<int64_t>(hn::Lanes(d));
    const bool padded = (glyph.count + n - 1) / n * n <= glyph.room;
    if (!padded && glyph.count < n)
        return false;
    uint32_t* target = glyph.target;
    const uint32_t* sheet = glyph.sheet;
    for (int64_t r = 0; r < glyph.rows; ++r, target += kViewWidth, sheet += glyph.sheetStride) {
        if (padded)
            rowPadded(d, target, sheet, glyph.count, text);
        else
            rowWithin(d, target, sheet, glyph.count, text);
    }
    return true;
}

// Glyph rows are short: eight pixels at most per vector, then four, then
// pixel by pixel.
void BlendGlyphRows(const GlyphRows& glyph, const TextColour& text)
{
    if (blendRowsIn(hn::CappedTag<uint32_t, 8>(), glyph, text))
        return;
    if (blendRowsIn(hn::CappedTag<uint32_t, 4>(), glyph, text))
        return;
    for (int64_t r = 0; r < glyph.rows; ++r)
        blendPixels(glyph.target + r * kViewWidth, glyph.sheet + r * glyph.sheetStride, glyph.count, text);
}

#endif

} // namespace HWY_NAMESPACE
} // namespace glyph_blend
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace glyph_blend {
HWY_EXPORT(BlendGlyphRows);
} // namespace glyph_blend

TextColour::TextColour(uint32_t colour) : colour(colour)
{
    const uint32_t twice = 2 * (colour >> 24);
    blueRed = colour & 0x00FF00FFu;
    greenAlpha = (colour >> 8) & 0x00FF00FFu;
    blueRedTwice = twice | twice << 16;
    greenAlphaTwice = twice;
}

void blendGlyph(const GlyphRows& glyph, const TextColour& colour)
{
    HWY_DYNAMIC_DISPATCH(glyph_blend::BlendGlyphRows)(glyph, colour);
}

#endif
