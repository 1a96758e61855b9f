// The Julia fractal, compiled once per vector target (see gfx/simd_target.h).
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "gfx/effects/julia.cpp"
#include <hwy/foreach_target.h> // IWYU pragma: keep
#include <hwy/highway.h>

#include "gfx/effects/julia_trap.h"
#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <algorithm>
#include <vector>

#ifndef Q2_JULIA_SHARED
#define Q2_JULIA_SHARED
namespace q2_julia {

constexpr int kMaxIterations = 31;
// Jobs come in tiles of this many rows, the blocks of one column of the
// tile one after another, so that the vectors counted together (three or
// four, see kChains) can lie in consecutive rows: neighbouring points take
// similar counts.
constexpr size_t kTileRows = 12;

// The constant c of the frame at ms.
void frameConstant(uint32_t ms, float& cr, float& ci);
// colours[count] is palette entry 31 - count.
void countColours(const CImage& paletteStrip, uint32_t (&colours)[kMaxIterations + 1]);
void paintJobsPlain(const JuliaJob* jobs, int jobCount, float cr, float ci, const uint32_t* colours,
                    uint32_t* view);

// The iteration's first step gives the same value for z and -z: the squares
// and the product zr*zi do not change when both parts change sign, and the
// escape test only looks at values after a step. So a pixel whose start
// point is the exact negation of another's has its count. The start point of
// column 320 - x is the negation of column x's only for some columns (the
// rounding of x / 320 and (320 - x) / 320 need not agree), and likewise for
// rows, so the plan checks each one. Built in place, once: the jobs point
// into its own arrays.
struct JuliaPlan {
    JuliaPlan();
    JuliaPlan(const JuliaPlan&) = delete;
    JuliaPlan& operator=(const JuliaPlan&) = delete;

    float startRe[kViewWidth];
    // Rows below the middle whose mirror row above is an exact negation:
    // they copy it reversed, then their exception columns are counted.
    std::vector<int> mirroredRows;
    // Column 0 (no column 320 to mirror) and the columns without an exact
    // partner, padded to whole blocks by repeating the last one.
    std::vector<int32_t> exceptionColumns;
    std::vector<float> exceptionRe;
    std::vector<JuliaJob> directJobs; // whole rows
    // Per tile of mirrored rows, the exception columns of its rows, painted
    // into a scratch block one row after another (exceptionColumns.size()
    // pixels a row), then put in place by one plain loop: cheaper than
    // storing each vector lane by lane into its column.
    std::vector<JuliaJob> exceptionJobs;
};
const JuliaPlan& juliaPlan();

} // namespace q2_julia
#endif

HWY_BEFORE_NAMESPACE();
namespace q2_julia {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if HWY_TARGET == HWY_SCALAR || HWY_TARGET == HWY_EMU128

void PaintJobsOnTarget(const JuliaJob* jobs, int jobCount, float cr, float ci, const JuliaTrap&,
                       const uint32_t* colours, uint32_t* view)
{
    paintJobsPlain(jobs, jobCount, cr, ci, colours, view);
}

void DrawOnTarget(const CImage& paletteStrip, uint32_t* view, uint32_t ms) { plain::DrawJulia(paletteStrip, view, ms); }

#else

// A job's sixteen lanes in one vector or a few.
using DF = hn::CappedTag<float, kJuliaBlock>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using MF = hn::Mask<DF>;
// Vectors counted together, to hide the latency of each one's steps: four
// on the widest targets (AVX-512, SVE: 32 registers), three elsewhere (four
// spill AVX2's sixteen).
constexpr int kChains = HWY_MAX_BYTES >= 64 ? 4 : 3;

// count + 1 in the lanes of `inside`: one instruction with AVX-512's masks,
// which Highway 1.0 has no operation for, and a subtraction of the mask
// (-1 in those lanes) elsewhere.
HWY_INLINE VI countInside(VI count, MF inside)
{
#if HWY_TARGET == HWY_AVX3 || HWY_TARGET == HWY_AVX3_DL
    return VI{_mm512_mask_add_epi32(count.raw, inside.raw, count.raw, _mm512_set1_epi32(1))};
#else
    return hn::Sub(count, hn::VecFromMask(DI(), hn::RebindMask(DI(), inside)));
#endif
}

// One step of the plain form, every value single precision, in its order:
//   zr' = (zr*zr + cr) - zi*zi,  zi' = zr*zi + (ci + zr*zi),
// then the lane is inside while zr'*zr' + zi'*zi' <= 100 (exactly 100
// stays). A lane that has escaped keeps iterating, and never comes back
// inside: from |z|^2 > 100 the next |z|^2 is about its square (the roundings
// are far too small to undo that) until the values run to infinity, and
// then to not-a-number, which compares as outside. So the count, the number
// of steps inside, stops where the plain form stops, with no mask of lanes
// still counting to keep. (Before escaping, every value is finite.)
HWY_INLINE MF step(VF cr, VF ci, VF limit, VF& zr, VF& zi, VF& zr2, VF& zi2, VI& count)
{
    const VF product = hn::Mul(zr, zi);
    zr = hn::Sub(hn::Add(zr2, cr), zi2);
    zi = hn::Add(product, hn::Add(ci, product));
    zr2 = hn::Mul(zr, zr);
    zi2 = hn::Mul(zi, zi);
    const MF inside = hn::Le(hn::Add(zr2, zi2), limit);
    count = countInside(count, inside);
    return inside;
}

// The lanes of `inside` that are in the trap leave with the full count:
// all bits of their count set (its low five bits read 31, and an outside
// lane's count no longer changes), and all bits of their squared real part
// set, a not-a-number that puts them outside from the next step on, as an
// escaped lane. Returns the lanes still counting.
HWY_INLINE MF leaveTrapped(VF centreRe, VF centreIm, VF trapLimit, VF zr, VF zi, VF& zr2, VI& count, MF inside)
{
    const VF dr = hn::Sub(zr, centreRe);
    const VF di = hn::Sub(zi, centreIm);
    const MF trapped = hn::Le(hn::Add(hn::Mul(dr, dr), hn::Mul(di, di)), trapLimit);
    const VF allBits = hn::VecFromMask(DF(), trapped);
    count = hn::Or(count, hn::BitCast(DI(), allBits));
    zr2 = hn::Or(zr2, allBits);
    return hn::AndNot(trapped, inside);
}

// Steps between looks for trapped lanes: a look costs about as much as a
// step, and points take several steps to reach the trap.
constexpr int kTrapEvery = 4;

// The colours of counts 0..31: gathered where a vector holds fewer than
// eight, else picked from the two or four table vectors by the count's low
// bits, then between them by its next bits, each moved up to the sign bit
// to choose with one blend.
HWY_INLINE VI lookColoursUp(VI count, const int32_t* colours) // count's low five bits
{
    const DI di;
    const size_t n = hn::Lanes(di); // 8 or 16 here: the vectors are capped at 16 lanes
    if (n < 8)
        return hn::GatherIndex(di, colours, hn::And(count, hn::Set(di, kMaxIterations)));
    const auto within = hn::IndicesFromVec(di, hn::And(count, hn::Set(di, static_cast<int32_t>(n - 1))));
    const int firstBit = n == 8 ? 3 : 4;
    const VI byFirstBit = hn::ShiftLeftSame(count, 31 - firstBit);
    const auto pairFrom = [&](size_t first) {
        return hn::IfNegativeThenElse(byFirstBit, hn::TableLookupLanes(hn::LoadU(di, colours + first + n), within),
                                      hn::TableLookupLanes(hn::LoadU(di, colours + first), within));
    };
    if (n == 16)
        return pairFrom(0);
    return hn::IfNegativeThenElse(hn::ShiftLeft<31 - 4>(count), pairFrom(16), pairFrom(0));
}

// The jobs' vectors in the order they are counted: the jobs come in runs of
// kTileRows (one column block of consecutive rows), and a run gives the
// first vector of each of its jobs, then the second, and so on. A group of
// chains then covers a block a few rows high, whose points take more
// similar counts than a strip along one row.
struct Slot {
    const JuliaJob* job;
    int offset;
};

class SlotCursor {
public:
    SlotCursor(const JuliaJob* jobs, int jobCount, int perJob, int lanes)
        : jobs_(jobs), jobCount_(jobCount), perJob_(perJob), lanes_(lanes),
          runLength_(std::min<int>(kTileRows, jobCount))
    {
    }

    bool done() const { return runStart_ >= jobCount_; }

    // The next vector, or the last one again once all are taken.
    Slot take()
    {
        if (done())
            return last_;
        last_ = {jobs_ + runStart_ + row_, part_ * lanes_};
        if (++row_ == runLength_) {
            row_ = 0;
            if (++part_ == perJob_) {
                part_ = 0;
                runStart_ += runLength_;
                runLength_ = std::min<int>(kTileRows, jobCount_ - runStart_);
            }
        }
        return last_;
    }

private:
    const JuliaJob* jobs_;
    int jobCount_, perJob_, lanes_;
    int runStart_ = 0, runLength_, row_ = 0, part_ = 0;
    Slot last_{};
};

HWY_INLINE void startSlot(const Slot& s, VF& zr, VF& zi, VF& zr2, VF& zi2, VI& count)
{
    const DF df;
    zr = hn::LoadU(df, s.job->startRe + s.offset);
    zi = hn::Set(df, s.job->startIm);
    zr2 = hn::Mul(zr, zr);
    zi2 = hn::Mul(zi, zi);
    count = hn::Zero(DI());
}

HWY_INLINE void paintSlot(const Slot& s, VI count, const int32_t* colours, uint32_t* view)
{
    const DI di;
    const VI painted = lookColoursUp(count, colours);
    int32_t* out = reinterpret_cast<int32_t*>(view) + s.job->firstPixel;
    if (s.job->columns)
        hn::ScatterIndex(painted, di, out, hn::LoadU(di, s.job->columns + s.offset));
    else
        hn::StoreU(painted, di, out + s.offset);
}

// The jobs' lanes kChains vectors at a time; a short last group repeats its
// last vector, which paints the same pixels twice with the same colours.
void PaintJobsOnTarget(const JuliaJob* jobs, int jobCount, float cr, float ci, const JuliaTrap& trap,
                       const uint32_t* colourTable, uint32_t* view)
{
    const DF df;
    const int n = static_cast<int>(hn::Lanes(df));
    if (kJuliaBlock % n != 0)
        return paintJobsPlain(jobs, jobCount, cr, ci, colourTable, view);
    const bool trapping = trap.limit >= 0;
    SlotCursor cursor(jobs, jobCount, kJuliaBlock / n, n);
    const int32_t* colours = reinterpret_cast<const int32_t*>(colourTable);
    const VF vcr = hn::Set(df, cr), vci = hn::Set(df, ci), limit = hn::Set(df, 100.0f);
    while (!cursor.done()) {
        // Named rather than in an array: the compiler then keeps them all
        // in registers (and scalable vectors cannot be array elements).
        const Slot sa = cursor.take();
        const Slot sb = cursor.take();
        const Slot sc = kChains >= 3 ? cursor.take() : sb;
        const Slot sd = kChains >= 4 ? cursor.take() : sc;
        VF zrA, ziA, zr2A, zi2A, zrB, ziB, zr2B, zi2B, zrC, ziC, zr2C, zi2C, zrD, ziD, zr2D, zi2D;
        VI countA, countB, countC, countD;
        startSlot(sa, zrA, ziA, zr2A, zi2A, countA);
        startSlot(sb, zrB, ziB, zr2B, zi2B, countB);
        if constexpr (kChains >= 3)
            startSlot(sc, zrC, ziC, zr2C, zi2C, countC);
        if constexpr (kChains >= 4)
            startSlot(sd, zrD, ziD, zr2D, zi2D, countD);
        for (int i = 1; i <= kMaxIterations; ++i) {
            MF inA = step(vcr, vci, limit, zrA, ziA, zr2A, zi2A, countA);
            MF inB = step(vcr, vci, limit, zrB, ziB, zr2B, zi2B, countB);
            MF inC = inA, inD = inA;
            if constexpr (kChains >= 3)
                inC = step(vcr, vci, limit, zrC, ziC, zr2C, zi2C, countC);
            if constexpr (kChains >= 4)
                inD = step(vcr, vci, limit, zrD, ziD, zr2D, zi2D, countD);
            if (trapping && i % kTrapEvery == 0) {
                const VF centreRe = hn::Set(df, trap.centreRe), centreIm = hn::Set(df, trap.centreIm);
                const VF trapLimit = hn::Set(df, trap.limit);
                inA = leaveTrapped(centreRe, centreIm, trapLimit, zrA, ziA, zr2A, countA, inA);
                inB = leaveTrapped(centreRe, centreIm, trapLimit, zrB, ziB, zr2B, countB, inB);
                if constexpr (kChains >= 3)
                    inC = leaveTrapped(centreRe, centreIm, trapLimit, zrC, ziC, zr2C, countC, inC);
                if constexpr (kChains >= 4)
                    inD = leaveTrapped(centreRe, centreIm, trapLimit, zrD, ziD, zr2D, countD, inD);
            }
            if (hn::AllFalse(df, hn::Or(hn::Or(inA, inB), hn::Or(inC, inD))))
                break;
        }
        paintSlot(sa, countA, colours, view);
        paintSlot(sb, countB, colours, view);
        if constexpr (kChains >= 3)
            paintSlot(sc, countC, colours, view);
        if constexpr (kChains >= 4)
            paintSlot(sd, countD, colours, view);
    }
}

// Pixel x of the row takes pixel 320 - x of the source row. Pixel 0 reads
// the first pixel of the source's next row; it is an exception column and
// painted afterwards.
void copyRowReversed(const uint32_t* source, uint32_t* row)
{
    const hn::CappedTag<uint32_t, kJuliaBlock> d;
    const int n = static_cast<int>(hn::Lanes(d));
    for (int x = 0; x < kViewWidth; x += n)
        hn::StoreU(hn::Reverse(d, hn::LoadU(d, source + kViewWidth - x - (n - 1))), d, row + x);
}

void DrawOnTarget(const CImage& paletteStrip, uint32_t* view, uint32_t ms)
{
    if (kViewWidth % hn::Lanes(DF()) != 0)
        return plain::DrawJulia(paletteStrip, view, ms);
    float cr, ci;
    frameConstant(ms, cr, ci);
    uint32_t colours[kMaxIterations + 1];
    countColours(paletteStrip, colours);
    const JuliaTrap trap = juliaTrap(cr, ci);
    const JuliaPlan& plan = juliaPlan();
    PaintJobsOnTarget(plan.directJobs.data(), static_cast<int>(plan.directJobs.size()), cr, ci, trap, colours,
                      view);
    uint32_t exceptions[kTileRows * kViewWidth];
    const size_t perRow = plan.exceptionColumns.size();
    const JuliaJob* jobs = plan.exceptionJobs.data();
    for (size_t first = 0; first < plan.mirroredRows.size(); first += kTileRows) {
        const size_t rows = std::min(kTileRows, plan.mirroredRows.size() - first);
        const int jobCount = static_cast<int>(rows * perRow / kJuliaBlock);
        PaintJobsOnTarget(jobs, jobCount, cr, ci, trap, colours, exceptions);
        jobs += jobCount;
        for (size_t r = 0; r < rows; ++r) {
            const int y = plan.mirroredRows[first + r];
            uint32_t* row = view + y * kViewWidth;
            copyRowReversed(view + (kViewHeight - y) * kViewWidth, row);
            for (size_t i = 0; i < perRow; ++i)
                row[plan.exceptionColumns[i]] = exceptions[r * perRow + i];
        }
    }
}

#endif

} // namespace HWY_NAMESPACE
} // namespace q2_julia
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace q2_julia {

HWY_EXPORT(PaintJobsOnTarget);
HWY_EXPORT(DrawOnTarget);

void frameConstant(uint32_t ms, float& cr, float& ci)
{
    const float s = static_cast<float>(static_cast<double>(ms) / 1000.0);
    cr = static_cast<float>(singleSine(static_cast<float>(s * 0.9)) * 0.5);
    ci = static_cast<float>(singleCosine(static_cast<float>(s * 0.5 + 1.3)) * 0.5);
}

void countColours(const CImage& paletteStrip, uint32_t (&colours)[kMaxIterations + 1])
{
    for (int count = 0; count <= kMaxIterations; ++count)
        colours[count] = paletteStrip.pixels[kMaxIterations - count];
}

void paintJobsPlain(const JuliaJob* jobs, int jobCount, float cr, float ci, const uint32_t* colours, uint32_t* view)
{
    for (const JuliaJob* job = jobs; job != jobs + jobCount; ++job)
        for (int i = 0; i < kJuliaBlock; ++i)
            view[job->firstPixel + (job->columns ? job->columns[i] : i)] =
                colours[plain::JuliaCount(job->startRe[i], job->startIm, cr, ci)];
}

namespace {

float startPoint(int i, int size)
{
    return static_cast<float>(i) / static_cast<float>(size) * 4 - 2;
}

bool negatesEachOther(int i, int size)
{
    return startPoint(size - i, size) == -startPoint(i, size);
}

} // namespace

JuliaPlan::JuliaPlan()
{
    for (int x = 0; x < kViewWidth; ++x)
        startRe[x] = startPoint(x, kViewWidth);
    for (int x = 0; x < kViewWidth; ++x)
        if (x == 0 || !negatesEachOther(x, kViewWidth))
            exceptionColumns.push_back(x);
    while (exceptionColumns.size() % kJuliaBlock != 0)
        exceptionColumns.push_back(exceptionColumns.back());
    for (int32_t x : exceptionColumns)
        exceptionRe.push_back(startRe[x]);

    const int middle = kViewHeight / 2;
    std::vector<int> directRows;
    for (int y = 0; y < kViewHeight; ++y) {
        if (y > middle && negatesEachOther(y, kViewHeight))
            mirroredRows.push_back(y);
        else
            directRows.push_back(y);
    }
    for (size_t first = 0; first < directRows.size(); first += kTileRows)
        for (int x = 0; x < kViewWidth; x += kJuliaBlock)
            for (size_t r = first; r < std::min(first + kTileRows, directRows.size()); ++r)
                directJobs.push_back({startRe + x, startPoint(directRows[r], kViewHeight),
                                      directRows[r] * kViewWidth + x, nullptr});
    for (size_t first = 0; first < mirroredRows.size(); first += kTileRows)
        for (size_t i = 0; i < exceptionColumns.size(); i += kJuliaBlock)
            for (size_t r = first; r < std::min(first + kTileRows, mirroredRows.size()); ++r)
                exceptionJobs.push_back({exceptionRe.data() + i, startPoint(mirroredRows[r], kViewHeight),
                                         static_cast<int32_t>((r - first) * exceptionColumns.size() + i), nullptr});
}

const JuliaPlan& juliaPlan()
{
    static const JuliaPlan plan;
    return plan;
}

} // namespace q2_julia

int plain::JuliaCount(float zr, float zi, float cr, float ci)
{
    for (int n = 1; n <= q2_julia::kMaxIterations; ++n) {
        const float newRe = (zr * zr + cr) - zi * zi;
        const float newIm = zr * zi + (ci + zr * zi);
        zr = newRe;
        zi = newIm;
        if (zr * zr + zi * zi > 100)
            return n - 1;
    }
    return q2_julia::kMaxIterations;
}

void plain::DrawJulia(const CImage& paletteStrip, uint32_t* view, uint32_t ms)
{
    float cr, ci;
    q2_julia::frameConstant(ms, cr, ci);
    for (int y = 0; y < kViewHeight; ++y) {
        for (int x = 0; x < kViewWidth; ++x) {
            const float zr = static_cast<float>(x) / kViewWidth * 4 - 2;
            const float zi = static_cast<float>(y) / kViewHeight * 4 - 2;
            const int count = plain::JuliaCount(zr, zi, cr, ci);
            view[y * kViewWidth + x] = paletteStrip.pixels[q2_julia::kMaxIterations - count];
        }
    }
}

void PaintJuliaJobs(const JuliaJob* jobs, int jobCount, float cr, float ci, const uint32_t* colours, uint32_t* view)
{
    HWY_DYNAMIC_DISPATCH(q2_julia::PaintJobsOnTarget)(jobs, jobCount, cr, ci, q2_julia::juliaTrap(cr, ci), colours,
                                                      view);
}

void DrawJulia(const CImage& paletteStrip, uint32_t* view, uint32_t ms)
{
    HWY_DYNAMIC_DISPATCH(q2_julia::DrawOnTarget)(paletteStrip, view, ms);
}
#endif
