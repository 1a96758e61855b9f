#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <cmath>
#include <emmintrin.h>
#include <limits>

namespace {

constexpr int kCellSize = 4;
constexpr int kCellColumns = kTunnelGridColumns - 1; // 80 cells of 4 pixels: 320
constexpr int kCellRows = kTunnelGridRows - 1;       // 60 cells of 4 pixels: 240

// Truncation toward zero to a 32-bit integer. Values out of range (a ray
// almost along the axis meets the wall extremely far away) and NaN give
// INT32_MIN, the x86 conversion's "integer indefinite", instead of the
// undefined behaviour of a plain cast.
inline int32_t truncateToInt32(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

inline int32_t wrapSubtract(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

inline int32_t wrapAdd(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// What one frame's rays share. Every named value is a float; the constants
// keep the precision they are written with.
struct TunnelFrame {
    float cosA, sinA, cosB, sinB;
    float p1, p2, tz, cq;

    explicit TunnelFrame(uint32_t ms)
    {
        const float t = static_cast<float>(ms);
        const float a = t / 2000;
        const float b = static_cast<float>(a * 1.25);
        const float arg1 = t / 400;
        const float arg2 = t / 500;
        p1 = singleSine(arg1) * 50;
        p2 = singleSine(arg2) * 50;
        tz = t + 1;
        cq = p1 * p1 + p2 * p2 - 250000;
        cosA = singleCosine(a);
        sinA = singleSine(a);
        cosB = singleCosine(b);
        sinB = singleSine(b);
    }
};

// The grid's ray directions before turning: X per column (padded to whole
// groups of four) and Y per row.
struct RayGrid {
    static constexpr int kPaddedColumns = (kTunnelGridColumns + 3) / 4 * 4;
    alignas(16) float x[kPaddedColumns];
    float y[kTunnelGridRows];

    RayGrid()
    {
        for (int c = 0; c < kPaddedColumns; ++c)
            x[c] = static_cast<float>(c - kTunnelGridColumns / 2) / kTunnelGridColumns;
        // The divisor corrects for the 4:3 view; it is a double constant.
        for (int r = 0; r < kTunnelGridRows; ++r)
            y[r] = static_cast<float>(static_cast<float>(r - kTunnelGridRows / 2) / kTunnelGridRows /
                                      1.3333333333333333);
    }
};

// Casts the rays of four neighbouring grid points of one row. The lanes do
// the scalar single-precision steps in the same order:
//   D1 = -cosA - sinA*Y, dy = Y*cosA - sinA (the same for the whole row),
//   dz = cosB*D1 - sinB*X, dx = sinB*D1 + cosB*X,
//   Aq = dx*dx + dy*dy, Bq = 2*(P1*dx + P2*dy), disc = Bq*Bq - 4*Aq*Cq,
//   L = the smaller of (-Bq - sqrt(disc)) / (2*Aq) and (sqrt(disc) - Bq) / (2*Aq),
//   U = trunc((L*dz + Tz) / 500 * 40), V = 127 - trunc(atan(Yh / Xh) / -3.14 * 127)
// with Xh = L*dx + P1, Yh = L*dy + P2. A point whose disc is not above 0
// (or not a number) keeps its values. Truncations out of the 32-bit range
// give INT32_MIN, what the vector conversion gives, instead of undefined
// behaviour.
void castFourRays(const TunnelFrame& f, const float* x4, float y, int valid, int32_t* u, int32_t* v)
{
    const float d1 = -f.cosA - f.sinA * y;
    const float dyRow = y * f.cosA - f.sinA;
    const __m128 x = _mm_load_ps(x4);
    const __m128 dy = _mm_set1_ps(dyRow);
    const __m128 dz = _mm_sub_ps(_mm_set1_ps(f.cosB * d1), _mm_mul_ps(_mm_set1_ps(f.sinB), x));
    const __m128 dx = _mm_add_ps(_mm_set1_ps(f.sinB * d1), _mm_mul_ps(_mm_set1_ps(f.cosB), x));
    const __m128 aq = _mm_add_ps(_mm_mul_ps(dx, dx), _mm_set1_ps(dyRow * dyRow));
    const __m128 bq = _mm_mul_ps(_mm_set1_ps(2.0f),
                                 _mm_add_ps(_mm_mul_ps(_mm_set1_ps(f.p1), dx), _mm_set1_ps(f.p2 * dyRow)));
    const __m128 disc = _mm_sub_ps(_mm_mul_ps(bq, bq), _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(4.0f), aq), _mm_set1_ps(f.cq)));
    const int hits = _mm_movemask_ps(_mm_cmpgt_ps(disc, _mm_setzero_ps())) & ((1 << valid) - 1);
    if (hits == 0)
        return;
    const __m128 sq = _mm_sqrt_ps(disc);
    const __m128 twoAq = _mm_mul_ps(_mm_set1_ps(2.0f), aq);
    const __m128 negBq = _mm_xor_ps(bq, _mm_set1_ps(-0.0f));
    const __m128 t1 = _mm_div_ps(_mm_sub_ps(negBq, sq), twoAq);
    const __m128 t2 = _mm_div_ps(_mm_sub_ps(sq, bq), twoAq);
    const __m128 firstIsSmaller = _mm_cmple_ps(t1, t2);
    const __m128 l = _mm_or_ps(_mm_and_ps(firstIsSmaller, t1), _mm_andnot_ps(firstIsSmaller, t2));
    const __m128 along = _mm_add_ps(_mm_mul_ps(l, dz), _mm_set1_ps(f.tz));
    const __m128i texelU = _mm_cvttps_epi32(_mm_mul_ps(_mm_div_ps(along, _mm_set1_ps(500.0f)), _mm_set1_ps(40.0f)));
    const __m128 xh = _mm_add_ps(_mm_mul_ps(l, dx), _mm_set1_ps(f.p1));
    const __m128 yh = _mm_add_ps(_mm_mul_ps(l, dy), _mm_set1_ps(f.p2));
    alignas(16) float quotient[4];
    alignas(16) int32_t lanesU[4];
    _mm_store_ps(quotient, _mm_div_ps(yh, xh));
    _mm_store_si128(reinterpret_cast<__m128i*>(lanesU), texelU);
    for (int lane = 0; lane < 4; ++lane) {
        if ((hits & (1 << lane)) == 0)
            continue;
        const float at = static_cast<float>(std::atan(static_cast<double>(quotient[lane])));
        u[lane] = lanesU[lane];
        v[lane] = wrapSubtract(127, truncateToInt32(at / -3.14 * 127));
    }
}

} // namespace

void CastTunnelRays(TunnelGrid& grid, uint32_t ms)
{
    static const RayGrid rays;
    const TunnelFrame frame(ms);
    for (int r = 0; r < kTunnelGridRows; ++r) {
        const int row = r * kTunnelGridColumns;
        for (int c = 0; c < kTunnelGridColumns; c += 4) {
            const int valid = kTunnelGridColumns - c < 4 ? kTunnelGridColumns - c : 4;
            castFourRays(frame, rays.x + c, rays.y[r], valid, grid.u + row + c, grid.v + row + c);
        }
    }
}

namespace {

// A jump of more than 120 between neighbours means the arc tangent wrapped
// between them; 128 is a multiple of the texture size, so adding it moves
// the lower value next to the higher one without changing its texel.
inline void liftIfBelow(int32_t& low, int32_t high)
{
    if (wrapSubtract(high, low) > 120)
        low = wrapAdd(low, 128);
}

// An 8.8 fixed-point step over a quarter of a cell: (b - a) * 256 / 4 with
// 32-bit wrap-around. The product is a multiple of 256, so the division is
// exact and an arithmetic shift does it.
inline uint32_t quarterStep(int32_t from, int32_t to)
{
    return static_cast<uint32_t>(static_cast<int32_t>(static_cast<uint32_t>(wrapSubtract(to, from)) << 8) >> 2);
}

// {0, 1, 2, 3} * step with 32-bit wrap-around.
inline __m128i laneSteps(uint32_t step)
{
    return _mm_setr_epi32(0, static_cast<int32_t>(step), static_cast<int32_t>(2u * step),
                          static_cast<int32_t>(3u * step));
}

void fillCell(const TunnelGrid& grid, const uint32_t* texels, int r, int c, uint32_t* view)
{
    const int tl = r * kTunnelGridColumns + c;
    const int bl = tl + kTunnelGridColumns;
    int32_t vTL = grid.v[tl], vTR = grid.v[tl + 1], vBL = grid.v[bl], vBR = grid.v[bl + 1];
    // Seven tests in this order, each seeing the ones before.
    liftIfBelow(vTL, vTR);
    liftIfBelow(vBL, vBR);
    liftIfBelow(vTR, vTL);
    liftIfBelow(vBR, vBL);
    liftIfBelow(vTL, vBL);
    liftIfBelow(vTR, vBR);
    liftIfBelow(vBL, vTL);

    const int32_t uTL = grid.u[tl];
    const uint32_t pixelStepU = quarterStep(uTL, grid.u[tl + 1]);
    const uint32_t pixelStepV = quarterStep(vTL, vTR);
    const uint32_t rowStepU = quarterStep(uTL, grid.u[bl]);
    const uint32_t rowStepV = quarterStep(vTL, vBL);
    // The four pixels of a cell row at once: u = row start + i * step, the
    // texel index from bits 8..13 of v (texture row) and of u (column).
    const __m128i spanU = laneSteps(pixelStepU);
    const __m128i spanV = laneSteps(pixelStepV);
    const __m128i columnMask = _mm_set1_epi32(63);
    const __m128i rowMask = _mm_set1_epi32(63 << 6);
    uint32_t rowU = static_cast<uint32_t>(uTL) << 8;
    uint32_t rowV = static_cast<uint32_t>(vTL) << 8;
    uint32_t* out = view + (r * kCellSize) * kViewWidth + c * kCellSize;
    for (int j = 0; j < kCellSize; ++j, out += kViewWidth, rowU += rowStepU, rowV += rowStepV) {
        const __m128i u = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(rowU)), spanU);
        const __m128i v = _mm_add_epi32(_mm_set1_epi32(static_cast<int32_t>(rowV)), spanV);
        const __m128i index = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 2), rowMask),
                                           _mm_and_si128(_mm_srli_epi32(u, 8), columnMask));
        alignas(16) uint32_t at[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
        const __m128i texels4 = _mm_setr_epi32(static_cast<int32_t>(texels[at[0]]), static_cast<int32_t>(texels[at[1]]),
                                               static_cast<int32_t>(texels[at[2]]), static_cast<int32_t>(texels[at[3]]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), texels4);
    }
}

} // namespace

void FillTunnelCells(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    for (int r = 0; r < kCellRows; ++r)
        for (int c = 0; c < kCellColumns; ++c)
            fillCell(grid, texture.pixels, r, c, view);
}

void DrawTunnel(TunnelGrid& grid, const CImage& texture, uint32_t* view, uint32_t ms)
{
    CastTunnelRays(grid, ms);
    FillTunnelCells(grid, texture, view);
}
