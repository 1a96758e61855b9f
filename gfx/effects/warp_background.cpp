#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>

namespace {

// Column x + 256 takes the same wave term (the sine index wraps at 256) and
// the same column term (3 * 256 is 0 mod 256) as column x, so only the first
// 256 columns of a row are worked out; the rest repeat them.
constexpr int kDistinctColumns = 256;
static_assert(kViewWidth > kDistinctColumns && kViewWidth <= 2 * kDistinctColumns);

// A quarter of the brightness on each colour byte, the alpha byte kept.
inline uint32_t quarterBrightness(uint32_t pixel)
{
    return (pixel & 0xFF000000u) | ((pixel >> 2) & 0x003F3F3Fu);
}

// What every row of one frame shares.
struct WarpFrame {
    // Table values never exceed 254, so rows and columns stay in 0..31: only
    // the top-left quarter of the texture is ever shown, dimmed once.
    alignas(64) uint32_t dimmed[32 * 32];
    alignas(64) uint8_t shifted[256];
    // The horizontal wave depends on the column only: 64 + 3a per column.
    alignas(64) uint8_t rowTerm[kDistinctColumns];
    // columnIndex[j] = shifted[3j mod 256]. Row y reads shifted[3x + base],
    // base even; 3 is invertible mod 256 (3 * 171 = 513 = 1 mod 256), so that
    // is columnIndex[x + 171 * base mod 256]: a window of this strip.
    alignas(64) uint8_t columnIndex[2 * kDistinctColumns];
    uint32_t t;

    WarpFrame(const EffectState& effects, const CImage& texture, uint32_t ms)
    {
        const uint8_t* sine = effects.sineTable;
        // The clock taken as signed: past 2^31 ms t turns negative, and only
        // the low 8 bits of every index matter, so unsigned wrap-around gives
        // the same indices without signed overflow.
        t = static_cast<uint32_t>(static_cast<int32_t>(ms) / 20);
        for (int row = 0; row < 32; ++row)
            for (int col = 0; col < 32; ++col)
                dimmed[row * 32 + col] = quarterBrightness(texture.pixels[row * kTextureSize + col]);
        for (int i = 0; i < 256; ++i)
            shifted[i] = static_cast<uint8_t>(sine[i] >> 3);
        for (int x = 0; x < kDistinctColumns; ++x) {
            const uint32_t a = sine[(2 * t + 64 + static_cast<uint32_t>(x)) & 255];
            rowTerm[x] = static_cast<uint8_t>(64 + 3 * a);
        }
        for (int j = 0; j < 2 * kDistinctColumns; ++j)
            columnIndex[j] = shifted[(3 * j) & 255];
    }

    uint8_t rowBase(int y) const { return static_cast<uint8_t>(2 * y); }

    // Where row y's window of columnIndex starts.
    const uint8_t* columnsOfRow(const EffectState& effects, int y) const
    {
        const uint32_t b = effects.sineTable[(3 * t + 12 + static_cast<uint32_t>(y)) & 255];
        const uint8_t columnBase = static_cast<uint8_t>(2 * b - 128);
        return columnIndex + ((171u * columnBase) & 255);
    }
};

inline void repeatColumns(uint32_t* out)
{
    std::memcpy(out + kDistinctColumns, out, (kViewWidth - kDistinctColumns) * sizeof(uint32_t));
}

} // namespace

void DrawWarpBackgroundScalar(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const WarpFrame frame(effects, texture, ms);
    for (int y = 0; y < kViewHeight; ++y) {
        const uint8_t rowBase = frame.rowBase(y);
        const uint8_t* columns = frame.columnsOfRow(effects, y);
        uint32_t* out = view + y * kViewWidth;
        for (int x = 0; x < kDistinctColumns; ++x) {
            const uint32_t row = frame.shifted[static_cast<uint8_t>(rowBase + frame.rowTerm[x])];
            out[x] = frame.dimmed[row * 32 + columns[x]];
        }
        repeatColumns(out);
    }
}

// The row indices by 64-byte lookups of the 256-entry table (two 128-entry
// permutes, picked by the index's top bit), the texels by gathers.

namespace {

// The shifted sine table in four registers, and a row's texture-row indices
// for its distinct columns from it: byte permutes instead of lookups.
struct ShiftedTable {
    __m512i lowHalf0, lowHalf1, highHalf0, highHalf1;

    __attribute__((target("avx512f,avx512bw,avx512vbmi"))) explicit ShiftedTable(const WarpFrame& frame)
        : lowHalf0(_mm512_load_si512(frame.shifted)), lowHalf1(_mm512_load_si512(frame.shifted + 64)),
          highHalf0(_mm512_load_si512(frame.shifted + 128)), highHalf1(_mm512_load_si512(frame.shifted + 192))
    {
    }

    __attribute__((target("avx512f,avx512bw,avx512vbmi"))) void rowIndices(const WarpFrame& frame, int y,
                                                                          uint8_t* rows) const
    {
        const __m512i rowBase = _mm512_set1_epi8(static_cast<char>(frame.rowBase(y)));
        for (int x = 0; x < kDistinctColumns; x += 64) {
            const __m512i index = _mm512_add_epi8(_mm512_load_si512(frame.rowTerm + x), rowBase);
            const __m512i low = _mm512_permutex2var_epi8(lowHalf0, index, lowHalf1);
            const __m512i high = _mm512_permutex2var_epi8(highHalf0, index, highHalf1);
            _mm512_store_si512(rows + x, _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high));
        }
    }
};

} // namespace

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void
DrawWarpBackgroundAvx512(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const WarpFrame frame(effects, texture, ms);
    const ShiftedTable shifted(frame);
    alignas(64) uint8_t rows[kDistinctColumns];
    for (int y = 0; y < kViewHeight; ++y) {
        shifted.rowIndices(frame, y, rows);
        const uint8_t* columns = frame.columnsOfRow(effects, y);
        uint32_t* out = view + y * kViewWidth;
        // The zero-masked forms: the plain ones leave GCC 12 warning about
        // their undefined pass-through operand.
        constexpr __mmask16 kAll = 0xFFFF;
        for (int x = 0; x < kDistinctColumns; x += 16) {
            const __m128i rowBytes = _mm_load_si128(reinterpret_cast<const __m128i*>(rows + x));
            const __m128i colBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + x));
            const __m512i row = _mm512_maskz_cvtepu8_epi32(kAll, rowBytes);
            const __m512i col = _mm512_maskz_cvtepu8_epi32(kAll, colBytes);
            const __m512i texel = _mm512_or_si512(_mm512_maskz_slli_epi32(kAll, row, 5), col);
            const __m512i pixels = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), kAll, texel, frame.dimmed, 4);
            _mm512_storeu_si512(out + x, pixels);
        }
        repeatColumns(out);
    }
}

// As DrawWarpBackgroundAvx512, but only where the terrain left the view to
// the background: column x gets rows 0 .. 239 - paintedRows[x]. Each row's
// columns go out with masked stores, and a block of sixteen columns that
// is covered here and 256 columns on is neither gathered nor stored.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void
DrawWarpBackgroundAvx512Above(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                              const int32_t* paintedRows)
{
    const WarpFrame frame(effects, texture, ms);
    const ShiftedTable shifted(frame);
    int32_t fewestPainted = kViewHeight;
    for (int x = 0; x < kViewWidth; ++x)
        fewestPainted = std::min(fewestPainted, paintedRows[x]);
    constexpr int kRepeated = kViewWidth - kDistinctColumns;
    static_assert(kRepeated % 16 == 0, "whole blocks repeat");
    alignas(64) uint8_t rows[kDistinctColumns];
    // Rows at or below the highest-reaching column's top are the terrain's.
    for (int y = 0; y < kViewHeight - fewestPainted; ++y) {
        shifted.rowIndices(frame, y, rows);
        const uint8_t* columns = frame.columnsOfRow(effects, y);
        uint32_t* out = view + y * kViewWidth;
        // Column x is the background's here while it painted fewer rows
        // than 240 - y.
        const __m512i rowsLeft = _mm512_set1_epi32(kViewHeight - y);
        for (int x = 0; x < kDistinctColumns; x += 16) {
            const __mmask16 here = _mm512_cmplt_epi32_mask(_mm512_loadu_si512(paintedRows + x), rowsLeft);
            const __mmask16 repeat =
                x < kRepeated
                    ? _mm512_cmplt_epi32_mask(_mm512_loadu_si512(paintedRows + x + kDistinctColumns), rowsLeft)
                    : 0;
            const __mmask16 wanted = here | repeat;
            if (wanted == 0)
                continue;
            const __m128i rowBytes = _mm_load_si128(reinterpret_cast<const __m128i*>(rows + x));
            const __m128i colBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(columns + x));
            const __m512i row = _mm512_maskz_cvtepu8_epi32(wanted, rowBytes);
            const __m512i col = _mm512_maskz_cvtepu8_epi32(wanted, colBytes);
            const __m512i texel = _mm512_or_si512(_mm512_maskz_slli_epi32(wanted, row, 5), col);
            const __m512i pixels =
                _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), wanted, texel, frame.dimmed, 4);
            _mm512_mask_storeu_epi32(out + x, here, pixels);
            if (repeat != 0)
                _mm512_mask_storeu_epi32(out + x + kDistinctColumns, repeat, pixels);
        }
    }
}

bool WarpCanUseAvx512()
{
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
}

void DrawWarpBackground(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    if (WarpCanUseAvx512())
        DrawWarpBackgroundAvx512(effects, texture, view, ms);
    else
        DrawWarpBackgroundScalar(effects, texture, view, ms);
}
