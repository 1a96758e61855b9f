#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <cmath>
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

// Casts the ray of grid point (r, c); false when it meets no wall.
bool castRay(const TunnelFrame& f, int r, int c, int32_t& u, int32_t& v)
{
    const float x = static_cast<float>(c - kTunnelGridColumns / 2) / kTunnelGridColumns;
    const float y = static_cast<float>(static_cast<float>(r - kTunnelGridRows / 2) / kTunnelGridRows /
                                       1.3333333333333333);
    const float d1 = -f.cosA - f.sinA * y;
    const float dy = y * f.cosA - f.sinA;
    const float dz = f.cosB * d1 - f.sinB * x;
    const float dx = f.sinB * d1 + f.cosB * x;
    const float aq = dx * dx + dy * dy;
    const float bq = 2 * (f.p1 * dx + f.p2 * dy);
    const float disc = bq * bq - 4 * aq * f.cq;
    if (!(disc > 0))
        return false; // also NaN
    const float sq = std::sqrt(disc);
    const float t1 = (-bq - sq) / (2 * aq);
    const float t2 = (sq - bq) / (2 * aq);
    const float l = t1 <= t2 ? t1 : t2;
    const float along = l * dz + f.tz;
    u = truncateToInt32(along / 500 * 40);
    const float xh = l * dx + f.p1;
    const float yh = l * dy + f.p2;
    const float quotient = yh / xh;
    const float at = static_cast<float>(std::atan(static_cast<double>(quotient)));
    v = wrapSubtract(127, truncateToInt32(at / -3.14 * 127));
    return true;
}

} // namespace

void CastTunnelRays(TunnelGrid& grid, uint32_t ms)
{
    const TunnelFrame frame(ms);
    for (int r = 0; r < kTunnelGridRows; ++r) {
        for (int c = 0; c < kTunnelGridColumns; ++c) {
            const int i = r * kTunnelGridColumns + c;
            int32_t u, v;
            if (castRay(frame, r, c, u, v)) { // a miss keeps the last frame's values
                grid.u[i] = u;
                grid.v[i] = v;
            }
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
    uint32_t rowU = static_cast<uint32_t>(uTL) << 8;
    uint32_t rowV = static_cast<uint32_t>(vTL) << 8;
    uint32_t* out = view + (r * kCellSize) * kViewWidth + c * kCellSize;
    for (int j = 0; j < kCellSize; ++j, out += kViewWidth, rowU += rowStepU, rowV += rowStepV) {
        uint32_t u = rowU;
        uint32_t v = rowV;
        for (int i = 0; i < kCellSize; ++i, u += pixelStepU, v += pixelStepV)
            out[i] = texels[((v >> 2) & (63u << 6)) | ((u >> 8) & 63u)];
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
