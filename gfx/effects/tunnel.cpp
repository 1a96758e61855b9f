// The tunnel, compiled once per vector target (see gfx/simd_target.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "gfx/effects/tunnel.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "gfx/effects/texel_fetch-inl.h"

#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#ifndef Q2_TUNNEL_SHARED
#define Q2_TUNNEL_SHARED
namespace q2_tunnel {

constexpr int kCellSize = 4;
constexpr int kCellColumns = kTunnelGridColumns - 1; // 80 cells of 4 pixels: 320
constexpr int kCellRows = kTunnelGridRows - 1;       // 60 cells of 4 pixels: 240
constexpr int kGridPoints = kTunnelGridColumns * kTunnelGridRows;
constexpr int32_t kIndefinite = std::numeric_limits<int32_t>::min();

// Truncation toward zero to a 32-bit integer. Values out of range (a ray
// almost along the axis meets the wall extremely far away) and NaN give
// INT32_MIN, what x86's conversion gives, on every processor.
inline int32_t truncateToInt32(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return kIndefinite;
    return static_cast<int32_t>(value);
}

inline int32_t wrapSubtract(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
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
        p1 = singleSine(t / 400) * 50;
        p2 = singleSine(t / 500) * 50;
        tz = t + 1;
        cq = p1 * p1 + p2 * p2 - 250000;
        cosA = singleCosine(a);
        sinA = singleSine(a);
        cosB = singleCosine(b);
        sinB = singleSine(b);
    }
};

// The ray directions before turning, X and Y of every grid point in grid
// order, padded so that whole vectors may be read past the last point.
struct RayPoints {
    static constexpr int kPadding = 64;
    float x[kGridPoints + kPadding];
    float y[kGridPoints + kPadding];
    RayPoints();
};
const RayPoints& rayPoints();

// The wall's texture row from the tangent q of the hit's angle around the
// axis: 127 - trunc(atan(q) / -3.14 * 127), the arc tangent taken in double
// precision and rounded to float. The truncated part (the column) only
// takes the values -63..63 and never rises as q grows (each operation in it
// is monotone), so it is fixed by how many of the 126 floats at which it
// steps down lie at or below q. Those steps are found once by bisecting
// over the floats with the very same expression, so the lookup gives the
// same bits as calling the arc tangent for every q; NaN (0 / 0) gives the
// row of INT32_MIN, as the plain form does.
//
// Counting the steps is quick: the floats are cut into 32768 buckets by the
// top bits of their order (sign, exponent, six bits of mantissa), and each
// bucket notes how many steps lie below it. A bucket is at most 1/64 of its
// values wide while steps lie at least 0.049 q apart (atan moves 3.14 / 127
// between them), so a bucket holds at most one step; two are checked, and a
// bucket holding more (which no arc tangent within an ulp can give) sends
// every lookup to a bisection over all the steps.
class WallRowLookup {
public:
    static constexpr int kBucketShift = 17;
    WallRowLookup();
    // One lane by bisection over all the steps.
    int32_t row(float q) const;
    // The row of q when `passed` steps lie at or below it.
    int32_t rowAfter(int32_t passed) const { return wrapSubtract(127, leftmost_ - passed); }
    int32_t leftmost() const { return leftmost_; }
    static int32_t rowOfNaN() { return wrapSubtract(127, kIndefinite); }
    bool bucketsHold() const { return bucketsHold_; }
    // Per bucket, how many steps lie below it, one byte each (three more
    // bytes pad reads of four).
    const uint8_t* stepsBelow() const { return stepsBelow_; }
    // The steps in rising order, then NaN (at or below no q).
    const float* steps() const { return steps_; }

private:
    static constexpr int kSteps = 128; // 126 used, the rest NaN
    static constexpr int kBuckets = 1 << (32 - kBucketShift);
    static constexpr int kStepsPerBucket = 2;
    void findSteps();

    float steps_[kSteps];
    int32_t stepCount_ = 0;
    int32_t leftmost_ = 0;
    bool bucketsHold_ = true;
    uint8_t stepsBelow_[kBuckets + 3];
};
const WallRowLookup& wallRowLookup();

} // namespace q2_tunnel
#endif

HWY_BEFORE_NAMESPACE();
namespace q2_tunnel {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

void CastOnTarget(TunnelGrid& grid, uint32_t ms) { plain::CastTunnelRays(grid, ms); }

void FillOnTarget(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    plain::FillTunnelCells(grid, texture, view);
}

#else

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;

// The wall rows of the lanes' tangents q, through the buckets.
HWY_INLINE VI wallRows(const WallRowLookup& lookup, VF q)
{
    const DF df;
    const DI di;
    if (!lookup.bucketsHold()) {
        HWY_ALIGN float lanes[hn::MaxLanes(df)];
        HWY_ALIGN int32_t rows[hn::MaxLanes(df)];
        hn::Store(q, df, lanes);
        for (size_t i = 0; i < hn::Lanes(df); ++i)
            rows[i] = lookup.row(lanes[i]);
        return hn::Load(di, rows);
    }
    // The float order as unsigned order: negative floats flipped whole,
    // positive ones with the sign bit set.
    const VI bits = hn::BitCast(di, q);
    const VI key = hn::Xor(bits, hn::Or(hn::ShiftRight<31>(bits), hn::Set(di, kIndefinite)));
    const hn::RebindToUnsigned<DI> du;
    const VI bucket = hn::BitCast(di, hn::ShiftRight<WallRowLookup::kBucketShift>(hn::BitCast(du, key)));
    const VI below = hn::And(hn::GatherOffset(di, reinterpret_cast<const int32_t*>(lookup.stepsBelow()), bucket),
                             hn::Set(di, 0xFF));
    const VF first = hn::GatherIndex(df, lookup.steps(), below);
    const VF second = hn::GatherIndex(df, lookup.steps() + 1, below);
    // A comparison that holds is -1: subtracting it counts the step.
    const VI passed = hn::Sub(hn::Sub(below, hn::VecFromMask(di, hn::RebindMask(di, hn::Le(first, q)))),
                              hn::VecFromMask(di, hn::RebindMask(di, hn::Le(second, q))));
    const VI row = hn::Sub(hn::Set(di, 127), hn::Sub(hn::Set(di, lookup.leftmost()), passed));
    return hn::IfThenElse(hn::RebindMask(di, hn::IsNaN(q)), hn::Set(di, WallRowLookup::rowOfNaN()), row);
}

// The plain form's truncation: INT32_MIN out of range and for NaN.
HWY_INLINE VI truncateLanes(VF value)
{
    const DF df;
    const DI di;
    const auto inRange = hn::And(hn::Ge(value, hn::Set(df, -2147483648.0f)), hn::Lt(value, hn::Set(df, 2147483648.0f)));
    return hn::IfThenElse(hn::RebindMask(di, inRange), hn::ConvertTo(di, value), hn::Set(di, kIndefinite));
}

// The plain form's steps lane by lane, in its order, every value single
// precision (see plain::CastTunnelRays). Where 2*Aq > 0 (every hit but a
// degenerate one), t1 <= t2 always: sqrt(disc) > 0 puts -Bq - sqrt(disc)
// below sqrt(disc) - Bq, and rounding and division by a positive number
// keep that order. So t2 is only worked out when some hit lane lacks it.
void CastOnTarget(TunnelGrid& grid, uint32_t ms)
{
    const DF df;
    const DI di;
    const int n = static_cast<int>(hn::Lanes(df));
    const TunnelFrame f(ms);
    const RayPoints& points = rayPoints();
    const WallRowLookup& lookup = wallRowLookup();
    if (n > RayPoints::kPadding)
        return plain::CastTunnelRays(grid, ms);
    const VF zero = hn::Zero(df), two = hn::Set(df, 2.0f);
    for (int i = 0; i < kGridPoints; i += n) {
        const VF x = hn::LoadU(df, points.x + i), y = hn::LoadU(df, points.y + i);
        const VF d1 = hn::Sub(hn::Set(df, -f.cosA), hn::Mul(hn::Set(df, f.sinA), y));
        const VF dy = hn::Sub(hn::Mul(y, hn::Set(df, f.cosA)), hn::Set(df, f.sinA));
        const VF dz = hn::Sub(hn::Mul(hn::Set(df, f.cosB), d1), hn::Mul(hn::Set(df, f.sinB), x));
        const VF dx = hn::Add(hn::Mul(hn::Set(df, f.sinB), d1), hn::Mul(hn::Set(df, f.cosB), x));
        const VF aq = hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy));
        const VF bq = hn::Mul(two, hn::Add(hn::Mul(hn::Set(df, f.p1), dx), hn::Mul(hn::Set(df, f.p2), dy)));
        const VF disc = hn::Sub(hn::Mul(bq, bq), hn::Mul(hn::Mul(hn::Set(df, 4.0f), aq), hn::Set(df, f.cq)));
        const auto hit = hn::And(hn::Gt(disc, zero), hn::FirstN(df, static_cast<size_t>(kGridPoints - i)));
        if (hn::AllFalse(df, hit))
            continue;
        const VF sq = hn::Sqrt(disc);
        const VF twoAq = hn::Mul(two, aq);
        VF l = hn::Div(hn::Sub(hn::Neg(bq), sq), twoAq);
        if (!hn::AllFalse(df, hn::AndNot(hn::Gt(twoAq, zero), hit))) {
            const VF t2 = hn::Div(hn::Sub(sq, bq), twoAq);
            l = hn::IfThenElse(hn::Le(l, t2), l, t2);
        }
        const VF along = hn::Add(hn::Mul(l, dz), hn::Set(df, f.tz));
        const VI u = truncateLanes(hn::Mul(hn::Div(along, hn::Set(df, 500.0f)), hn::Set(df, 40.0f)));
        const VF xh = hn::Add(hn::Mul(l, dx), hn::Set(df, f.p1));
        const VF yh = hn::Add(hn::Mul(l, dy), hn::Set(df, f.p2));
        const VI v = wallRows(lookup, hn::Div(yh, xh));
        hn::BlendedStore(u, hn::RebindMask(di, hit), di, grid.u + i);
        hn::BlendedStore(v, hn::RebindMask(di, hit), di, grid.v + i);
    }
}

// A jump of more than 120 between neighbours means the arc tangent wrapped
// between them; 128 is a multiple of the texture size, so adding it moves
// the lower value next to the higher one without changing its texel.
template <class V>
HWY_INLINE void liftIfBelow(V& low, V high)
{
    const hn::DFromV<V> d;
    low = hn::IfThenElse(hn::Gt(hn::Sub(high, low), hn::Set(d, 120)), hn::Add(low, hn::Set(d, 128)), low);
}

// The texel index at 8.8 coordinates (u, v): bits 8..13 of v pick the row,
// of u the column.
template <class V>
HWY_INLINE V texelAt(V u, V v)
{
    const hn::DFromV<V> d;
    return hn::Or(hn::And(hn::ShiftRight<2>(v), hn::Set(d, 63 << 6)), hn::And(hn::ShiftRight<8>(u), hn::Set(d, 63)));
}

// A lane per cell, the cells' four pixel columns one after another and
// interleaved on the store. The steps of the plain form, (b - a) * 256 / 4,
// are exact on a multiple of 256, and only bits 8..13 of the sums pick a
// texel, which wrapping sums and products take from their terms' low bits
// only: (b - a) << 6 serves.
void FillOnTarget(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    const hn::CappedTag<int32_t, 16> d;
    const int n = static_cast<int>(hn::Lanes(d));
    if (kCellColumns % n != 0)
        return plain::FillTunnelCells(grid, texture, view);
    for (int r = 0; r < kCellRows; ++r) {
        for (int c = 0; c < kCellColumns; c += n) {
            const int tl = r * kTunnelGridColumns + c;
            const int bl = tl + kTunnelGridColumns;
            const auto uTL = hn::LoadU(d, grid.u + tl), uTR = hn::LoadU(d, grid.u + tl + 1);
            const auto uBL = hn::LoadU(d, grid.u + bl);
            auto vTL = hn::LoadU(d, grid.v + tl), vTR = hn::LoadU(d, grid.v + tl + 1);
            auto vBL = hn::LoadU(d, grid.v + bl), vBR = hn::LoadU(d, grid.v + bl + 1);
            // Seven tests in this order, each seeing the ones before.
            liftIfBelow(vTL, vTR);
            liftIfBelow(vBL, vBR);
            liftIfBelow(vTR, vTL);
            liftIfBelow(vBR, vBL);
            liftIfBelow(vTL, vBL);
            liftIfBelow(vTR, vBR);
            liftIfBelow(vBL, vTL);
            const auto stepU = hn::ShiftLeft<6>(hn::Sub(uTR, uTL)), stepV = hn::ShiftLeft<6>(hn::Sub(vTR, vTL));
            const auto downU = hn::ShiftLeft<6>(hn::Sub(uBL, uTL)), downV = hn::ShiftLeft<6>(hn::Sub(vBL, vTL));
            auto rowU = hn::ShiftLeft<8>(uTL), rowV = hn::ShiftLeft<8>(vTL);
            uint32_t* out = view + r * kCellSize * kViewWidth + c * kCellSize;
            for (int j = 0; j < kCellSize; ++j) {
                const auto u1 = hn::Add(rowU, stepU), v1 = hn::Add(rowV, stepV);
                const auto u2 = hn::Add(u1, stepU), v2 = hn::Add(v1, stepV);
                const auto u3 = hn::Add(u2, stepU), v3 = hn::Add(v2, stepV);
                q2_texels::HWY_NAMESPACE::storeTexelQuads(d, texture.pixels, texelAt(rowU, rowV), texelAt(u1, v1),
                                                          texelAt(u2, v2), texelAt(u3, v3), out + j * kViewWidth);
                rowU = hn::Add(rowU, downU);
                rowV = hn::Add(rowV, downV);
            }
        }
    }
}

#endif

} // namespace HWY_NAMESPACE
} // namespace q2_tunnel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace q2_tunnel {

HWY_EXPORT(CastOnTarget);
HWY_EXPORT(FillOnTarget);

RayPoints::RayPoints()
{
    for (int i = 0; i < kGridPoints + kPadding; ++i) {
        const int r = std::min(i / kTunnelGridColumns, kTunnelGridRows - 1), c = i % kTunnelGridColumns;
        x[i] = static_cast<float>(c - kTunnelGridColumns / 2) / kTunnelGridColumns;
        // The divisor corrects for the 4:3 view; it is a double constant.
        y[i] = static_cast<float>(static_cast<float>(r - kTunnelGridRows / 2) / kTunnelGridRows / 1.3333333333333333);
    }
}

// Built once, on first use.
const RayPoints& rayPoints()
{
    static const RayPoints points;
    return points;
}

const WallRowLookup& wallRowLookup()
{
    static const WallRowLookup lookup;
    return lookup;
}

namespace {

int32_t angleColumn(float q)
{
    const float at = static_cast<float>(std::atan(static_cast<double>(q)));
    return truncateToInt32(at / -3.14 * 127);
}

// Unsigned keys in the order of the floats they stand for (-0 just below
// +0), so bisection can walk the floats.
uint32_t orderKey(float f)
{
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
}

float fromOrderKey(uint32_t key)
{
    const uint32_t bits = (key & 0x80000000u) ? key & 0x7FFFFFFFu : ~key;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

} // namespace

WallRowLookup::WallRowLookup()
{
    findSteps();
    std::fill(std::begin(stepsBelow_), std::end(stepsBelow_), uint8_t{0});
    for (int bucket = 0, below = 0; bucket < kBuckets; ++bucket) {
        const uint32_t first = static_cast<uint32_t>(bucket) << kBucketShift;
        while (below < stepCount_ && orderKey(steps_[below]) < first)
            ++below;
        int inside = below;
        while (inside < stepCount_ && orderKey(steps_[inside]) <= first + ((1u << kBucketShift) - 1))
            ++inside;
        if (inside - below > kStepsPerBucket)
            bucketsHold_ = false;
        stepsBelow_[bucket] = static_cast<uint8_t>(below);
    }
}

// steps_[i] is the smallest q whose column is at most leftmost_ - 1 - i.
void WallRowLookup::findSteps()
{
    const float infinity = std::numeric_limits<float>::infinity();
    leftmost_ = angleColumn(-infinity);
    const int32_t rightmost = angleColumn(infinity);
    for (float& step : steps_)
        step = std::numeric_limits<float>::quiet_NaN();
    stepCount_ = 0;
    for (int32_t column = leftmost_ - 1; column >= rightmost && stepCount_ < kSteps - kStepsPerBucket; --column) {
        uint32_t low = orderKey(-infinity), high = orderKey(infinity); // the column at high is low enough
        while (low < high) {
            const uint32_t middle = low + (high - low) / 2;
            if (angleColumn(fromOrderKey(middle)) <= column)
                high = middle;
            else
                low = middle + 1;
        }
        steps_[stepCount_++] = fromOrderKey(high);
    }
}

int32_t WallRowLookup::row(float q) const
{
    if (q != q)
        return rowOfNaN();
    int32_t passed = 0; // how many steps lie at or below q
    for (int32_t stride = kSteps / 2; stride > 0; stride /= 2)
        passed += stride * static_cast<int32_t>(steps_[passed + stride - 1] <= q);
    return rowAfter(passed);
}

} // namespace q2_tunnel

// The definition, one grid point at a time: every value a float, in this
// order. A point whose disc is not above 0 (or not a number) keeps its values.
void plain::CastTunnelRays(TunnelGrid& grid, uint32_t ms)
{
    const q2_tunnel::TunnelFrame f(ms);
    for (int r = 0; r < kTunnelGridRows; ++r) {
        for (int c = 0; c < kTunnelGridColumns; ++c) {
            const float x = static_cast<float>(c - 40) / 81;
            const float y = static_cast<float>(static_cast<float>(r - 30) / 61 / 1.3333333333333333);
            const float d1 = -f.cosA - f.sinA * y;
            const float dy = y * f.cosA - f.sinA;
            const float dz = f.cosB * d1 - f.sinB * x;
            const float dx = f.sinB * d1 + f.cosB * x;
            const float aq = dx * dx + dy * dy;
            const float bq = 2 * (f.p1 * dx + f.p2 * dy);
            const float disc = bq * bq - 4 * aq * f.cq;
            if (!(disc > 0))
                continue;
            const float sq = std::sqrt(disc);
            const float t1 = (-bq - sq) / (2 * aq);
            const float t2 = (sq - bq) / (2 * aq);
            const float l = t1 <= t2 ? t1 : t2;
            const float along = l * dz + f.tz;
            const float xh = l * dx + f.p1;
            const float yh = l * dy + f.p2;
            const float at = static_cast<float>(std::atan(static_cast<double>(yh / xh)));
            grid.u[r * 81 + c] = q2_tunnel::truncateToInt32(along / 500 * 40);
            grid.v[r * 81 + c] = q2_tunnel::wrapSubtract(127, q2_tunnel::truncateToInt32(at / -3.14 * 127));
        }
    }
}

// The definition, one pixel at a time, in wrapping 32-bit arithmetic.
void plain::FillTunnelCells(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    auto at = [](const int32_t* a, int r, int c) { return static_cast<uint32_t>(a[r * 81 + c]); };
    // A jump of more than 120 means the arc tangent wrapped (see liftIfBelow).
    auto lift = [](uint32_t& low, uint32_t high) {
        if (static_cast<int32_t>(high - low) > 120)
            low += 128;
    };
    for (int r = 0; r < q2_tunnel::kCellRows; ++r) {
        for (int c = 0; c < q2_tunnel::kCellColumns; ++c) {
            const uint32_t uTL = at(grid.u, r, c), uTR = at(grid.u, r, c + 1), uBL = at(grid.u, r + 1, c);
            uint32_t vTL = at(grid.v, r, c), vTR = at(grid.v, r, c + 1);
            uint32_t vBL = at(grid.v, r + 1, c), vBR = at(grid.v, r + 1, c + 1);
            lift(vTL, vTR);
            lift(vBL, vBR);
            lift(vTR, vTL);
            lift(vBR, vBL);
            lift(vTL, vBL);
            lift(vTR, vBR);
            lift(vBL, vTL);
            const int32_t stepUx = static_cast<int32_t>((uTR - uTL) * 256) / 4;
            const int32_t stepVx = static_cast<int32_t>((vTR - vTL) * 256) / 4;
            const int32_t stepUy = static_cast<int32_t>((uBL - uTL) * 256) / 4;
            const int32_t stepVy = static_cast<int32_t>((vBL - vTL) * 256) / 4;
            for (uint32_t j = 0; j < 4; ++j) {
                for (uint32_t i = 0; i < 4; ++i) {
                    const uint32_t uf = uTL * 256 + j * static_cast<uint32_t>(stepUy) + i * static_cast<uint32_t>(stepUx);
                    const uint32_t vf = vTL * 256 + j * static_cast<uint32_t>(stepVy) + i * static_cast<uint32_t>(stepVx);
                    view[(4 * r + j) * kViewWidth + 4 * c + i] = texture.pixels[((vf >> 8) & 63) * 64 + ((uf >> 8) & 63)];
                }
            }
        }
    }
}

void CastTunnelRays(TunnelGrid& grid, uint32_t ms)
{
    HWY_DYNAMIC_DISPATCH(q2_tunnel::CastOnTarget)(grid, ms);
}

void FillTunnelCells(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    HWY_DYNAMIC_DISPATCH(q2_tunnel::FillOnTarget)(grid, texture, view);
}

void DrawTunnel(TunnelGrid& grid, const CImage& texture, uint32_t* view, uint32_t ms)
{
    CastTunnelRays(grid, ms);
    FillTunnelCells(grid, texture, view);
}
#endif
