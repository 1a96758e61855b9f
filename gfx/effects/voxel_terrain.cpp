// The voxel terrain: a plain form one ray at a time, and one vector form
// compiled for every target (this file is included once per target by
// Highway's foreach_target.h) that casts a vector of neighbouring columns'
// rays together.
#ifndef VOXEL_TERRAIN_SHARED
#define VOXEL_TERRAIN_SHARED

#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSamplesPerRay = 64;
constexpr int kLowestRow = kViewHeight - 1;
constexpr int32_t kHorizon = 100;
constexpr int32_t kCameraLift = 80;

// Height map cell; the row length is fixed at 256, whatever the image says.
inline int32_t cellHeight(const uint32_t* heights, int32_t row, int32_t col)
{
    return static_cast<int32_t>(heights[row * kHeightMapSize + col] & 0xFF);
}

inline int32_t sampleHeight(const uint32_t* heights, int32_t x, int32_t y)
{
    const int32_t xi = (x >> 8) & 255;
    const int32_t yi = (y >> 8) & 255;
    const int32_t xn = ((x >> 8) + 1) & 255;
    const int32_t yn = ((y >> 8) + 1) & 255;
    const int32_t fx = x & 255;
    const int32_t fy = y & 255;
    // Signed division truncates toward zero, as the interpolation wants;
    // floor (an arithmetic shift) would differ for falling slopes.
    const int32_t topLeft = cellHeight(heights, yi, xi);
    const int32_t bottomLeft = cellHeight(heights, yn, xi);
    const int32_t top = topLeft + (cellHeight(heights, yi, xn) - topLeft) * fx / 256;
    const int32_t bottom = bottomLeft + (cellHeight(heights, yn, xn) - bottomLeft) * fx / 256;
    return top + (bottom - top) * fy / 256;
}

struct Camera {
    int32_t x, y, height;
    float heading;
};

Camera placeCamera(const uint32_t* heights, uint32_t ms)
{
    Camera camera;
    // Unnamed intermediates are double precision; the named angle and the
    // sines and cosines are rounded to float.
    camera.heading = static_cast<float>(static_cast<double>(ms) / 4000.0);
    camera.x = static_cast<int32_t>(static_cast<double>(singleSine(camera.heading)) * 32 * 256 + 32768);
    camera.y = static_cast<int32_t>(static_cast<double>(singleCosine(camera.heading)) * 32 * 256 + 32768);
    camera.height = sampleHeight(heights, camera.x, camera.y) + kCameraLift;
    return camera;
}

// The rays' steps per sample, one per column: the cosine and sine of the
// column's angle times 128, in 8.8 fixed point (half a map cell at most).
struct RaySteps {
    alignas(64) int32_t dx[kViewWidth];
    alignas(64) int32_t dy[kViewWidth];
};

RaySteps aimRays(const Camera& camera)
{
    RaySteps steps;
    for (int column = 0; column < kViewWidth; ++column) {
        const float angle = static_cast<float>(column / 320.0 * 1.5 + static_cast<double>(camera.heading));
        steps.dx[column] = static_cast<int32_t>(static_cast<double>(singleCosine(angle)) * 128);
        steps.dy[column] = static_cast<int32_t>(static_cast<double>(singleSine(angle)) * 128);
    }
    return steps;
}

// The four heights a bilinear sample reads, packed into one word per cell
// (the cell's, its right neighbour's, the one below and the one below
// right, a byte each), for the cells this frame's rays cross: one lookup
// per sample instead of four. Every step is at most 128 (|cos| <= 1), so
// the 64 samples of a ray span at most 63 * 128 / 256 + 1 cells each way
// and the crossed cells fit a square of kPatch.
struct HeightPatch {
    static constexpr int kPatch = 66;
    int32_t left, top;
    uint32_t cells[kPatch * kPatch];

    HeightPatch(const uint32_t* heights, const Camera& camera, const RaySteps& steps)
    {
        const auto [minX, maxX] = std::minmax_element(steps.dx, steps.dx + kViewWidth);
        const auto [minY, maxY] = std::minmax_element(steps.dy, steps.dy + kViewWidth);
        const int32_t last = kSamplesPerRay - 1;
        left = (camera.x + last * std::min(*minX, 0)) >> 8;
        top = (camera.y + last * std::min(*minY, 0)) >> 8;
        const int32_t width = ((camera.x + last * std::max(*maxX, 0)) >> 8) - left + 1;
        const int32_t height = ((camera.y + last * std::max(*maxY, 0)) >> 8) - top + 1;
        for (int32_t row = 0; row < height; ++row) {
            const int32_t yi = (top + row) & 255, yn = (top + row + 1) & 255;
            for (int32_t col = 0; col < width; ++col) {
                const int32_t xi = (left + col) & 255, xn = (left + col + 1) & 255;
                cells[row * kPatch + col] = static_cast<uint32_t>(cellHeight(heights, yi, xi)) |
                                            static_cast<uint32_t>(cellHeight(heights, yi, xn)) << 8 |
                                            static_cast<uint32_t>(cellHeight(heights, yn, xi)) << 16 |
                                            static_cast<uint32_t>(cellHeight(heights, yn, xn)) << 24;
            }
        }
    }
};

// The sample depths z = 1, 5, ..., 253, as the reciprocals the projection
// multiplies by. Dividing in single precision and truncating gives exactly
// the integer quotient truncated toward zero here: |n| < 2^15 and z <= 253,
// so a quotient that is not an integer lies at least 1/z from one, far more
// than the division's rounding error (at most |n / z| * 2^-24). Multiplying
// by the reciprocal rounded up gives the same truncation, and a multiply
// costs far less than a division: the product is never below n / z (so a
// whole quotient stays whole, and no other falls below its integer part),
// and it exceeds n / z by less than |n / z| * 2^-22, still short of the
// next integer. The quotients stay far inside the 32-bit range, where
// every target's float-to-integer conversion truncates alike.
struct SampleDepths {
    float reciprocal[kSamplesPerRay];
    SampleDepths()
    {
        for (int s = 0; s < kSamplesPerRay; ++s) {
            const float depth = 1.0f + 4 * s;
            float up = 1.0f / depth;
            // The product of a float and a small integer is exact in double.
            if (static_cast<double>(up) * static_cast<double>(depth) < 1.0)
                up = std::nextafter(up, 2.0f);
            reciprocal[s] = up;
        }
    }
};

// Paints rows 239 - from .. 240 - to of a view column (entries from .. to - 1
// counted from the bottom) with one colour.
inline void paintRun(uint32_t* column, int32_t from, int32_t to, uint32_t colour)
{
    for (int32_t k = from; k < to; ++k)
        column[(kLowestRow - k) * kViewWidth] = colour;
}

} // namespace

int32_t SampleHeight(const CImage& heightMap, int32_t x, int32_t y)
{
    return sampleHeight(heightMap.pixels, x, y);
}

namespace plain {

void DrawVoxelTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                      int32_t* paintedRows)
{
    const uint32_t* heights = effects.heightMap->pixels;
    const Camera camera = placeCamera(heights, ms);
    const RaySteps steps = aimRays(camera);
    for (int i = 0; i < kViewWidth; ++i) {
        int32_t x = camera.x, y = camera.y, drawn = 0;
        for (int32_t z = 1; z <= 253; z += 4) {
            const int32_t h = sampleHeight(heights, x, y);
            const int32_t p = std::min((h - camera.height) * 64 / z + kHorizon, kLowestRow);
            if (p > drawn) {
                paintRun(view + i, drawn, p, texture.pixels[((y / 256) & 63) * kTextureSize + ((x / 256) & 63)]);
                drawn = p;
            }
            x += steps.dx[i];
            y += steps.dy[i];
        }
        if (paintedRows != nullptr)
            paintedRows[i] = drawn;
    }
}

} // namespace plain

#endif // VOXEL_TERRAIN_SHARED

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "gfx/effects/voxel_terrain.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace voxel {
namespace HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

void Paint(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms, int32_t* paintedRows)
{
    plain::DrawVoxelTerrain(effects, texture, view, ms, paintedRows);
}

#else

namespace hn = hwy::HWY_NAMESPACE;

// Up to sixteen neighbouring columns, one per lane.
using Columns = hn::CappedTag<int32_t, 16>;
constexpr size_t kMaxColumns = 16;

// Truncating division by 256: toward zero, as the interpolation wants (an
// arithmetic shift alone would floor falling slopes).
template <class V>
V divideBy256(V v)
{
    const Columns d;
    return hn::ShiftRight<8>(hn::Add(v, hn::And(hn::ShiftRight<31>(v), hn::Set(d, 255))));
}

// a + tdiv((b - a) * f, 256) per lane.
template <class V>
V interpolate(V a, V b, V f)
{
    return hn::Add(a, divideBy256(hn::Mul(hn::Sub(b, a), f)));
}

// The byte of each lane at bit `shift`.
template <int shift, class V>
V byteAt(V v)
{
    const Columns d;
    return hn::And(hn::ShiftRight<shift>(v), hn::Set(d, 255));
}

// What a group of columns' rays found at each sample, a lane per column:
// the rows drawn before and after it and the texel under it, and for each
// column the samples that rise above what is drawn, a bit each.
struct GroupRuns {
    alignas(64) int32_t before[kSamplesPerRay][kMaxColumns];
    alignas(64) int32_t after[kSamplesPerRay][kMaxColumns];
    alignas(64) int32_t texel[kSamplesPerRay][kMaxColumns];
    uint64_t painting[kMaxColumns];
    alignas(64) int32_t drawn[kMaxColumns];
};

// The columns from `first` on, front to back: at each sample the bilinear
// height and the projection p = tdiv((h - camH) * 64, z) + 100 (clamped to
// the lowest row) for every lane; the height drawn is the running maximum.
void castColumns(const HeightPatch& patch, const Camera& camera, const RaySteps& steps, int first, GroupRuns& runs)
{
    static const SampleDepths depths;
    const Columns d;
    const hn::Rebind<float, Columns> df;
    const size_t lanes = hn::Lanes(d);
    const auto dx = hn::LoadU(d, steps.dx + first), dy = hn::LoadU(d, steps.dy + first);
    auto x = hn::Set(d, camera.x), y = hn::Set(d, camera.y);
    auto drawn = hn::Zero(d);
    const auto cells = reinterpret_cast<const int32_t*>(patch.cells);
    const auto mask63 = hn::Set(d, kTextureSize - 1);
    auto lowBits = hn::Zero(d), highBits = hn::Zero(d);
    for (int s = 0; s < kSamplesPerRay; ++s) {
        const auto row = hn::Mul(hn::Sub(hn::ShiftRight<8>(y), hn::Set(d, patch.top)), hn::Set(d, HeightPatch::kPatch));
        const auto four = hn::GatherIndex(d, cells, hn::Add(row, hn::Sub(hn::ShiftRight<8>(x), hn::Set(d, patch.left))));
        const auto fx = hn::And(x, hn::Set(d, 255)), fy = hn::And(y, hn::Set(d, 255));
        const auto upper = interpolate(byteAt<0>(four), byteAt<8>(four), fx);
        const auto lower = interpolate(byteAt<16>(four), byteAt<24>(four), fx);
        const auto h = interpolate(upper, lower, fy);
        const auto n = hn::ConvertTo(df, hn::ShiftLeft<6>(hn::Sub(h, hn::Set(d, camera.height))));
        const auto quotient = hn::ConvertTo(d, hn::Mul(n, hn::Set(df, depths.reciprocal[s])));
        const auto p = hn::Min(hn::Add(quotient, hn::Set(d, kHorizon)), hn::Set(d, kLowestRow));
        // Sample s's bit in the low or the high word of each lane's mask.
        const auto bit = hn::Set(d, static_cast<int32_t>(1u << (s % 32)));
        const auto rising = hn::And(hn::VecFromMask(d, hn::Gt(p, drawn)), bit);
        (s < 32 ? lowBits : highBits) = hn::Or(s < 32 ? lowBits : highBits, rising);
        hn::Store(drawn, d, runs.before[s]);
        drawn = hn::Max(drawn, p);
        hn::Store(drawn, d, runs.after[s]);
        hn::Store(hn::Or(hn::ShiftLeft<6>(hn::And(divideBy256(y), mask63)), hn::And(divideBy256(x), mask63)), d,
                  runs.texel[s]);
        x = hn::Add(x, dx);
        y = hn::Add(y, dy);
    }
    hn::Store(drawn, d, runs.drawn);
    alignas(64) int32_t low[kMaxColumns], high[kMaxColumns];
    hn::Store(lowBits, d, low);
    hn::Store(highBits, d, high);
    for (size_t lane = 0; lane < lanes; ++lane)
        runs.painting[lane] = static_cast<uint32_t>(low[lane]) | static_cast<uint64_t>(static_cast<uint32_t>(high[lane])) << 32;
}

// One column painted bottom-up into a buffer (entry k is view row 239 - k)
// so that a run of rows is a few whole stores: a run's stores may reach
// kRun - 1 entries past its end, and the entries past the column's final
// height are never shown.
constexpr int kRun = 16;
using ColumnBuffer = uint32_t[kViewHeight + kRun];

void paintColumn(const GroupRuns& runs, size_t lane, const CImage& texture, uint32_t* colours)
{
    const hn::CappedTag<uint32_t, kRun> d;
    for (uint64_t painting = runs.painting[lane]; painting != 0; painting &= painting - 1) {
        const int s = __builtin_ctzll(painting);
        const auto fill = hn::Set(d, texture.pixels[runs.texel[s][lane]]);
        for (int32_t k = runs.before[s][lane]; k < runs.after[s][lane]; k += kRun)
            for (size_t i = 0; i < kRun; i += hn::Lanes(d))
                hn::StoreU(fill, d, colours + k + i);
    }
}

// Four columns' buffers into the view, four entries (rows) at a time: a
// lane whose column is not drawn that high keeps the view's pixel.
void showColumns(const ColumnBuffer* colours, const int32_t* drawn, uint32_t* view)
{
    const hn::Full128<uint32_t> d;
    const hn::RebindToSigned<decltype(d)> di;
    const auto painted = hn::LoadU(di, drawn);
    const int32_t highest = std::max(std::max(drawn[0], drawn[1]), std::max(drawn[2], drawn[3]));
    for (int32_t k = 0; k < highest; k += 4) {
        const auto ab0 = hn::InterleaveLower(d, hn::LoadU(d, colours[0] + k), hn::LoadU(d, colours[1] + k));
        const auto ab1 = hn::InterleaveUpper(d, hn::LoadU(d, colours[0] + k), hn::LoadU(d, colours[1] + k));
        const auto cd0 = hn::InterleaveLower(d, hn::LoadU(d, colours[2] + k), hn::LoadU(d, colours[3] + k));
        const auto cd1 = hn::InterleaveUpper(d, hn::LoadU(d, colours[2] + k), hn::LoadU(d, colours[3] + k));
        const auto showRow = [&](int i, hn::Vec<decltype(d)> row) {
            uint32_t* out = view + (kLowestRow - k - i) * kViewWidth;
            const auto here = hn::RebindMask(d, hn::Gt(painted, hn::Set(di, k + i)));
            hn::StoreU(hn::IfThenElse(here, row, hn::LoadU(d, out)), d, out);
        };
        // The rows past the highest column's top are left alone.
        showRow(0, hn::ConcatLowerLower(d, cd0, ab0));
        if (k + 1 < highest)
            showRow(1, hn::ConcatUpperUpper(d, cd0, ab0));
        if (k + 2 < highest)
            showRow(2, hn::ConcatLowerLower(d, cd1, ab1));
        if (k + 3 < highest)
            showRow(3, hn::ConcatUpperUpper(d, cd1, ab1));
    }
}

void Paint(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms, int32_t* paintedRows)
{
    const Camera camera = placeCamera(effects.heightMap->pixels, ms);
    const RaySteps steps = aimRays(camera);
    const HeightPatch patch(effects.heightMap->pixels, camera, steps);
    const int lanes = static_cast<int>(hn::Lanes(Columns()));
    static_assert(kViewWidth % kMaxColumns == 0, "whole groups");
    GroupRuns runs;
    alignas(64) ColumnBuffer colours[kMaxColumns];
    for (int first = 0; first < kViewWidth; first += lanes) {
        castColumns(patch, camera, steps, first, runs);
        for (int lane = 0; lane < lanes; ++lane)
            paintColumn(runs, static_cast<size_t>(lane), texture, colours[lane]);
        for (int lane = 0; lane < lanes; lane += 4)
            showColumns(colours + lane, runs.drawn + lane, view + first + lane);
        if (paintedRows != nullptr)
            std::copy(runs.drawn, runs.drawn + lanes, paintedRows + first);
    }
}

#endif

} // namespace HWY_NAMESPACE
} // namespace voxel
HWY_AFTER_NAMESPACE();

#if HWY_ONCE

namespace voxel {
HWY_EXPORT(Paint);
} // namespace voxel

void DrawVoxelTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    HWY_DYNAMIC_DISPATCH(voxel::Paint)(effects, texture, view, ms, nullptr);
}

void DrawVoxelTerrainCounting(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                              int32_t* paintedRows)
{
    HWY_DYNAMIC_DISPATCH(voxel::Paint)(effects, texture, view, ms, paintedRows);
}

#endif
