// The sine-warp background: a plain form one pixel at a time, and one
// vector form compiled for every target (this file is included once per
// target by Highway's foreach_target.h).
#ifndef WARP_BACKGROUND_SHARED
#define WARP_BACKGROUND_SHARED

#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <cstring>

namespace {

// Column x + 256 takes the same wave term (the sine index wraps at 256) and
// the same column term (3 * 256 is 0 mod 256) as column x, so the vector
// form works out the first 256 columns of a row; the rest repeat them.
constexpr int kDistinctColumns = 256;
static_assert(kViewWidth > kDistinctColumns && kViewWidth <= 2 * kDistinctColumns);
constexpr int kRepeated = kViewWidth - kDistinctColumns;

// A quarter of the brightness on each colour byte, the alpha byte kept.
inline uint32_t quarterBrightness(uint32_t pixel)
{
    return (pixel & 0xFF000000u) | ((pixel >> 2) & 0x003F3F3Fu);
}

// Whether pixel (x, y) is the background's: the terrain under it painted
// fewer rows of column x than reach row y (none painted: always).
inline bool isBackground(const int32_t* paintedRows, int x, int y)
{
    return paintedRows == nullptr || paintedRows[x] < kViewHeight - y;
}

// What every row of one frame shares, for the vector form.
struct WarpFrame {
    // Row i of this table is the dimmed texture row that sine index i
    // selects (table values never exceed 254, so rows and columns stay in
    // 0..31: only the top-left quarter is ever shown). A pixel is then one
    // lookup at (sine index) * 32 + column.
    alignas(64) uint32_t texels[256 * 32];
    // The row's sine index is rowBase(y) + rowTerm[x] (mod 256): the
    // horizontal wave, 64 + 3a per column.
    alignas(64) int32_t rowTerm[kDistinctColumns];
    // columnIndex[j] = SineTable[3j mod 256] >> 3. Row y reads that at
    // 3x + base, base even; 3 is invertible mod 256 (3 * 171 = 1 mod 256),
    // so that is columnIndex[x + 171 * base mod 256]: a window of this strip.
    alignas(64) int32_t columnIndex[2 * kDistinctColumns];
    uint32_t t;

    WarpFrame(const EffectState& effects, const CImage& texture, uint32_t ms)
    {
        const uint8_t* sine = effects.sineTable;
        // The clock taken as signed: past 2^31 ms t turns negative, and only
        // the low 8 bits of every index matter, so unsigned wrap-around gives
        // the same indices without signed overflow.
        t = static_cast<uint32_t>(static_cast<int32_t>(ms) / 20);
        uint32_t dimmed[32 * 32];
        for (int row = 0; row < 32; ++row)
            for (int col = 0; col < 32; ++col)
                dimmed[row * 32 + col] = quarterBrightness(texture.pixels[row * kTextureSize + col]);
        for (int i = 0; i < 256; ++i)
            std::memcpy(texels + i * 32, dimmed + (sine[i] >> 3) * 32, 32 * sizeof(uint32_t));
        for (int x = 0; x < kDistinctColumns; ++x)
            rowTerm[x] = static_cast<int32_t>(64 + 3 * sine[(2 * t + 64 + static_cast<uint32_t>(x)) & 255]);
        for (int j = 0; j < 2 * kDistinctColumns; ++j)
            columnIndex[j] = sine[(3 * j) & 255] >> 3;
    }

    static int32_t rowBase(int y) { return 2 * y; }

    // Where row y's window of columnIndex starts.
    const int32_t* columnsOfRow(const EffectState& effects, int y) const
    {
        const uint32_t b = effects.sineTable[(3 * t + 12 + static_cast<uint32_t>(y)) & 255];
        const uint8_t columnBase = static_cast<uint8_t>(2 * b - 128);
        return columnIndex + ((171u * columnBase) & 255);
    }
};

} // namespace

namespace plain {

void DrawWarpBackground(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                        const int32_t* paintedRows)
{
    const uint8_t* sine = effects.sineTable;
    const int32_t t = static_cast<int32_t>(ms) / 20;
    for (int32_t y = 0; y < kViewHeight; ++y) {
        for (int32_t x = 0; x < kViewWidth; ++x) {
            if (!isBackground(paintedRows, x, y))
                continue;
            // Index sums wrap as unsigned ones do; only their low 8 bits count.
            const uint32_t a = sine[(2 * static_cast<uint32_t>(t) + 64 + static_cast<uint32_t>(x)) & 255];
            const uint32_t row = sine[(64 + 2 * static_cast<uint32_t>(y) + 3 * a) & 255] >> 3;
            const uint32_t b = sine[(3 * static_cast<uint32_t>(t) + 12 + static_cast<uint32_t>(y)) & 255];
            const uint32_t col = sine[(3 * static_cast<uint32_t>(x) + 2 * b - 128) & 255] >> 3;
            view[y * kViewWidth + x] = quarterBrightness(texture.pixels[(row & 63) * kTextureSize + (col & 63)]);
        }
    }
}

} // namespace plain

#endif // WARP_BACKGROUND_SHARED

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "gfx/effects/warp_background.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace warp {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

void Paint(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms, const int32_t* paintedRows)
{
    plain::DrawWarpBackground(effects, texture, view, ms, paintedRows);
}

#else

namespace hn = hwy::HWY_NAMESPACE;

// Every row in full: the distinct columns a vector at a time, the rest
// copied.
void paintWhole(const EffectState& effects, const WarpFrame& frame, uint32_t* view)
{
    const hn::ScalableTag<uint32_t> d;
    const hn::RebindToSigned<decltype(d)> di;
    const size_t lanes = hn::Lanes(d);
    for (int y = 0; y < kViewHeight; ++y) {
        const auto rowBase = hn::Set(di, WarpFrame::rowBase(y));
        const int32_t* columns = frame.columnsOfRow(effects, y);
        uint32_t* out = view + y * kViewWidth;
        for (size_t x = 0; x < kDistinctColumns; x += lanes) {
            const auto sineIndex = hn::And(hn::Add(hn::Load(di, frame.rowTerm + x), rowBase), hn::Set(di, 255));
            const auto at = hn::Or(hn::ShiftLeft<5>(sineIndex), hn::LoadU(di, columns + x));
            hn::StoreU(hn::GatherIndex(d, frame.texels, at), d, out + x);
        }
        std::memcpy(out + kDistinctColumns, out, kRepeated * sizeof(uint32_t));
    }
}

// Only the background's pixels: column x gets rows 0 .. 239 - paintedRows[x].
// A vector of columns that is covered here and 256 columns on is neither
// looked up nor stored.
void paintAbove(const EffectState& effects, const WarpFrame& frame, uint32_t* view, const int32_t* paintedRows)
{
    const hn::ScalableTag<uint32_t> d;
    const hn::RebindToSigned<decltype(d)> di;
    const size_t lanes = hn::Lanes(d);
    int32_t fewestPainted = kViewHeight;
    for (int x = 0; x < kViewWidth; ++x)
        fewestPainted = paintedRows[x] < fewestPainted ? paintedRows[x] : fewestPainted;
    // Rows at or below the highest-reaching column's top are the terrain's.
    for (int y = 0; y < kViewHeight - fewestPainted; ++y) {
        const auto rowBase = hn::Set(di, WarpFrame::rowBase(y));
        const auto rowsLeft = hn::Set(di, kViewHeight - y);
        const int32_t* columns = frame.columnsOfRow(effects, y);
        uint32_t* out = view + y * kViewWidth;
        for (size_t x = 0; x < kDistinctColumns; x += lanes) {
            const auto here = hn::RebindMask(d, hn::Lt(hn::LoadU(di, paintedRows + x), rowsLeft));
            auto repeat = hn::FirstN(d, 0);
            if (x < static_cast<size_t>(kRepeated))
                repeat = hn::RebindMask(d, hn::Lt(hn::LoadU(di, paintedRows + x + kDistinctColumns), rowsLeft));
            if (hn::AllFalse(d, hn::Or(here, repeat)))
                continue;
            const auto sineIndex = hn::And(hn::Add(hn::Load(di, frame.rowTerm + x), rowBase), hn::Set(di, 255));
            const auto at = hn::Or(hn::ShiftLeft<5>(sineIndex), hn::LoadU(di, columns + x));
            const auto pixels = hn::GatherIndex(d, frame.texels, at);
            hn::BlendedStore(pixels, here, d, out + x);
            if (!hn::AllFalse(d, repeat))
                hn::BlendedStore(pixels, repeat, d, out + x + kDistinctColumns);
        }
    }
}

void Paint(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms, const int32_t* paintedRows)
{
    static_assert(kDistinctColumns % 64 == 0 && kRepeated % 16 == 0, "whole vectors");
    const WarpFrame frame(effects, texture, ms);
    if (paintedRows == nullptr)
        paintWhole(effects, frame, view);
    else
        paintAbove(effects, frame, view, paintedRows);
}

#endif

} // namespace HWY_NAMESPACE
} // namespace warp
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace warp {
HWY_EXPORT(Paint);
} // namespace warp

void DrawWarpBackground(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    HWY_DYNAMIC_DISPATCH(warp::Paint)(effects, texture, view, ms, nullptr);
}

void DrawWarpBackgroundAbove(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                             const int32_t* paintedRows)
{
    HWY_DYNAMIC_DISPATCH(warp::Paint)(effects, texture, view, ms, paintedRows);
}

#endif
