#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>
#include <vector>

namespace {

constexpr int kMaxIterations = 31;
constexpr int kLanes = 8;
constexpr int kVectors = kJuliaBlock / kLanes; // independent chains hide the latency
static_assert(kLanes * kVectors == kJuliaBlock);

// Eight single-precision lanes, for the AVX2 build. The lanes do exactly
// the scalar IEEE single-precision steps (the build forbids fused
// multiply-add), so the counts are the same as one pixel at a time.
typedef float Floats __attribute__((vector_size(32)));
typedef int32_t Ints __attribute__((vector_size(32)));

// Every value of the iteration is single precision, in this order:
//   zr' = (zr*zr + cr) - zi*zi,  zi' = zr*zi + (ci + zr*zi),
// then escape when zr'*zr' + zi'*zi' > 100 (exactly 100 stays). A lane that
// escaped keeps iterating (its values may run to infinity) but no longer
// counts; the block stops when every lane has escaped.
__attribute__((target("avx2"), always_inline)) inline void countLanes(const float* startRe, float startIm, float cr,
                                                                      float ci, int32_t* counts)
{
    Floats zr[kVectors], zi[kVectors], zr2[kVectors], zi2[kVectors];
    Ints active[kVectors], count[kVectors];
#pragma GCC unroll 4
    for (int k = 0; k < kVectors; ++k) {
        std::memcpy(&zr[k], startRe + k * kLanes, sizeof(Floats));
        zi[k] = Floats{} + startIm;
        zr2[k] = zr[k] * zr[k];
        zi2[k] = zi[k] * zi[k];
        active[k] = Ints{} - 1;
        count[k] = Ints{};
    }
    for (int n = 1; n <= kMaxIterations; ++n) {
        Ints stillGoing = {};
#pragma GCC unroll 4
        for (int k = 0; k < kVectors; ++k) {
            const Floats product = zr[k] * zi[k];
            zr[k] = (zr2[k] + cr) - zi2[k];
            zi[k] = product + (ci + product);
            zr2[k] = zr[k] * zr[k];
            zi2[k] = zi[k] * zi[k];
            const Ints escaped = (zr2[k] + zi2[k]) > 100.0f;
            active[k] &= ~escaped;
            count[k] -= active[k]; // active lanes are -1
            stillGoing |= active[k];
        }
        const __m256i any = reinterpret_cast<__m256i>(stillGoing);
        if (_mm256_testz_si256(any, any))
            break;
    }
#pragma GCC unroll 4
    for (int k = 0; k < kVectors; ++k)
        std::memcpy(counts + k * kLanes, &count[k], sizeof(Ints));
}

// The same steps as countLanes with four-lane SSE2 intrinsics. The block is
// taken eight lanes at a time, so that the values of the iteration stay in
// the sixteen SSE registers; the compiler's split of the eight-lane vectors
// spills them and runs five times slower.
template <int kGroupVectors>
inline void countLanesSse2(const float* startRe, float startIm, float cr, float ci, int32_t* counts)
{
    const __m128 vcr = _mm_set1_ps(cr);
    const __m128 vci = _mm_set1_ps(ci);
    const __m128 limit = _mm_set1_ps(100.0f);
    __m128 zr[kGroupVectors], zi[kGroupVectors], zr2[kGroupVectors], zi2[kGroupVectors];
    __m128i active[kGroupVectors], count[kGroupVectors];
#pragma GCC unroll 4
    for (int k = 0; k < kGroupVectors; ++k) {
        zr[k] = _mm_loadu_ps(startRe + 4 * k);
        zi[k] = _mm_set1_ps(startIm);
        zr2[k] = _mm_mul_ps(zr[k], zr[k]);
        zi2[k] = _mm_mul_ps(zi[k], zi[k]);
        active[k] = _mm_set1_epi32(-1);
        count[k] = _mm_setzero_si128();
    }
    for (int n = 1; n <= kMaxIterations; ++n) {
        __m128i stillGoing = _mm_setzero_si128();
#pragma GCC unroll 4
        for (int k = 0; k < kGroupVectors; ++k) {
            const __m128 product = _mm_mul_ps(zr[k], zi[k]);
            zr[k] = _mm_sub_ps(_mm_add_ps(zr2[k], vcr), zi2[k]);
            zi[k] = _mm_add_ps(product, _mm_add_ps(vci, product));
            zr2[k] = _mm_mul_ps(zr[k], zr[k]);
            zi2[k] = _mm_mul_ps(zi[k], zi[k]);
            const __m128 escaped = _mm_cmpgt_ps(_mm_add_ps(zr2[k], zi2[k]), limit);
            active[k] = _mm_andnot_si128(_mm_castps_si128(escaped), active[k]);
            count[k] = _mm_sub_epi32(count[k], active[k]);
            stillGoing = _mm_or_si128(stillGoing, active[k]);
        }
        if (_mm_movemask_epi8(stillGoing) == 0)
            break;
    }
#pragma GCC unroll 4
    for (int k = 0; k < kGroupVectors; ++k)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(counts + 4 * k), count[k]);
}

} // namespace

void CountJuliaBlockSse2(const float* startRe, float startIm, float cr, float ci, int32_t* counts)
{
    constexpr int kGroupVectors = 2;
    for (int x = 0; x < kJuliaBlock; x += 4 * kGroupVectors)
        countLanesSse2<kGroupVectors>(startRe + x, startIm, cr, ci, counts + x);
}

__attribute__((target("avx2"))) void CountJuliaBlockAvx2(const float* startRe, float startIm, float cr, float ci,
                                                       int32_t* counts)
{
    countLanes(startRe, startIm, cr, ci, counts);
}

bool JuliaCanUseAvx2()
{
    return __builtin_cpu_supports("avx2");
}

void CountJuliaBlock(const float* startRe, float startIm, float cr, float ci, int32_t* counts)
{
    if (JuliaCanUseAvx2())
        CountJuliaBlockAvx2(startRe, startIm, cr, ci, counts);
    else
        CountJuliaBlockSse2(startRe, startIm, cr, ci, counts);
}

namespace {

// The AVX-512 kernel counts a tile of four blocks (sixteen lanes each) at a
// time: four independent vectors hide the latency of each one's steps, and
// a tile ends less often than a block would, each end being a branch the
// processor cannot foresee.
constexpr size_t kTileRows = 4;
#define Q2_AVX512 __attribute__((target("avx512f"), always_inline)) inline

struct Avx512Lanes {
    __m512 zr, zi, zr2, zi2;
    __m512i count;
    __mmask16 active;
};

Q2_AVX512 void startLanes(Avx512Lanes& lanes, const JuliaJob& job)
{
    lanes.zr = _mm512_loadu_ps(job.startRe);
    lanes.zi = _mm512_set1_ps(job.startIm);
    lanes.zr2 = _mm512_mul_ps(lanes.zr, lanes.zr);
    lanes.zi2 = _mm512_mul_ps(lanes.zi, lanes.zi);
    lanes.count = _mm512_setzero_si512();
    lanes.active = 0xFFFF;
}

Q2_AVX512 void stepLanes(Avx512Lanes& lanes, __m512 cr, __m512 ci)
{
    const __m512 limit = _mm512_set1_ps(100.0f);
    const __m512 product = _mm512_mul_ps(lanes.zr, lanes.zi);
    lanes.zr = _mm512_sub_ps(_mm512_add_ps(lanes.zr2, cr), lanes.zi2);
    lanes.zi = _mm512_add_ps(product, _mm512_add_ps(ci, product));
    lanes.zr2 = _mm512_mul_ps(lanes.zr, lanes.zr);
    lanes.zi2 = _mm512_mul_ps(lanes.zi, lanes.zi);
    // "Not greater" keeps a lane whose sum is not a number, as the scalar
    // comparison does.
    lanes.active = _mm512_mask_cmp_ps_mask(lanes.active, _mm512_add_ps(lanes.zr2, lanes.zi2), limit, _CMP_NGT_UQ);
    lanes.count = _mm512_mask_add_epi32(lanes.count, lanes.active, lanes.count, _mm512_set1_epi32(1));
}

Q2_AVX512 void paintLanes(const Avx512Lanes& lanes, const JuliaJob& job, __m512i lowColours, __m512i highColours,
                          uint32_t* view)
{
    // Counts are 0..31: bit 4 picks the half of the colour table.
    const __m512i painted = _mm512_permutex2var_epi32(lowColours, lanes.count, highColours);
    uint32_t* out = view + job.firstPixel;
    if (job.columns)
        _mm512_i32scatter_epi32(out, _mm512_loadu_si512(job.columns), painted, 4);
    else
        _mm512_storeu_si512(out, painted);
}

// Four blocks by name rather than in an array: the compiler then keeps all
// of them in registers. A short last tile repeats its last job, which paints
// the same pixels twice with the same colours.
__attribute__((target("avx512f"))) void paintJobsAvx512(const JuliaJob* jobs, int jobCount, float cr, float ci,
                                                        const uint32_t* colours, uint32_t* view)
{
    static_assert(kTileRows == 4);
    const __m512 vcr = _mm512_set1_ps(cr);
    const __m512 vci = _mm512_set1_ps(ci);
    const __m512i lowColours = _mm512_loadu_si512(colours);
    const __m512i highColours = _mm512_loadu_si512(colours + 16);
    for (int first = 0; first < jobCount; first += kTileRows) {
        const JuliaJob& jobA = jobs[first];
        const JuliaJob& jobB = jobs[std::min(first + 1, jobCount - 1)];
        const JuliaJob& jobC = jobs[std::min(first + 2, jobCount - 1)];
        const JuliaJob& jobD = jobs[std::min(first + 3, jobCount - 1)];
        Avx512Lanes a, b, c, d;
        startLanes(a, jobA);
        startLanes(b, jobB);
        startLanes(c, jobC);
        startLanes(d, jobD);
        for (int n = 1; n <= kMaxIterations; ++n) {
            stepLanes(a, vcr, vci);
            stepLanes(b, vcr, vci);
            stepLanes(c, vcr, vci);
            stepLanes(d, vcr, vci);
            if ((a.active | b.active | c.active | d.active) == 0)
                break;
        }
        paintLanes(a, jobA, lowColours, highColours, view);
        paintLanes(b, jobB, lowColours, highColours, view);
        paintLanes(c, jobC, lowColours, highColours, view);
        paintLanes(d, jobD, lowColours, highColours, view);
    }
}

void paintCounts(const int32_t* counts, const JuliaJob& job, const uint32_t* colours, uint32_t* view)
{
    uint32_t* out = view + job.firstPixel;
    if (job.columns) {
        for (int i = 0; i < kJuliaBlock; ++i)
            out[job.columns[i]] = colours[counts[i]];
    } else {
        for (int i = 0; i < kJuliaBlock; ++i)
            out[i] = colours[counts[i]];
    }
}

void paintJobsSse2(const JuliaJob* jobs, int jobCount, float cr, float ci, const uint32_t* colours, uint32_t* view)
{
    int32_t counts[kJuliaBlock];
    for (const JuliaJob* job = jobs; job != jobs + jobCount; ++job) {
        CountJuliaBlockSse2(job->startRe, job->startIm, cr, ci, counts);
        paintCounts(counts, *job, colours, view);
    }
}

// Eight colours from the 32-entry table in four registers: the low three
// bits of a count pick within a register, bits 3 and 4 pick the register.
__attribute__((target("avx2"))) inline __m256i lookColoursUp(__m256i count, const __m256i (&table)[4])
{
    const __m256 bit3 = _mm256_castsi256_ps(_mm256_slli_epi32(count, 28));
    const __m256 bit4 = _mm256_castsi256_ps(_mm256_slli_epi32(count, 27));
    __m256 picked[4];
    for (int i = 0; i < 4; ++i)
        picked[i] = _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(table[i], count));
    const __m256 low = _mm256_blendv_ps(picked[0], picked[1], bit3);
    const __m256 high = _mm256_blendv_ps(picked[2], picked[3], bit3);
    return _mm256_castps_si256(_mm256_blendv_ps(low, high, bit4));
}

__attribute__((target("avx2"))) void paintJobsAvx2(const JuliaJob* jobs, int jobCount, float cr, float ci,
                                                   const uint32_t* colours, uint32_t* view)
{
    __m256i table[4];
    for (int i = 0; i < 4; ++i)
        table[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(colours + 8 * i));
    alignas(32) int32_t counts[kJuliaBlock];
    alignas(32) uint32_t painted[kJuliaBlock];
    for (const JuliaJob* job = jobs; job != jobs + jobCount; ++job) {
        countLanes(job->startRe, job->startIm, cr, ci, counts);
        uint32_t* out = job->columns ? painted : view + job->firstPixel;
        for (int i = 0; i < kJuliaBlock; i += 8) {
            const __m256i count = _mm256_load_si256(reinterpret_cast<const __m256i*>(counts + i));
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), lookColoursUp(count, table));
        }
        if (job->columns)
            for (int i = 0; i < kJuliaBlock; ++i)
                view[job->firstPixel + job->columns[i]] = painted[i];
    }
}

// The iteration's first step gives the same value for z and -z: the squares
// and the product zr*zi do not change when both parts change sign, and the
// escape test only looks at values after a step. So a pixel whose start
// point is the exact negation of another's has its count. The start point of
// column 320 - x is the negation of column x's only for some columns (the
// rounding of x / 320 and (320 - x) / 320 need not agree), and likewise for
// rows, so the plan checks each one.
float startPoint(int i, int size)
{
    return static_cast<float>(i) / static_cast<float>(size) * 4 - 2;
}

bool negatesEachOther(int i, int size)
{
    return startPoint(size - i, size) == -startPoint(i, size);
}

// Built in place, once: the jobs point into its own arrays.
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
    std::vector<JuliaJob> directJobs;    // whole rows
    std::vector<JuliaJob> exceptionJobs; // after the reversed copies
};

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
    // Jobs in tiles of kTileRows rows, the blocks of one column of the tile
    // one after another: the AVX-512 kernel counts them together, and
    // neighbouring points take similar counts.
    for (size_t first = 0; first < directRows.size(); first += kTileRows)
        for (int x = 0; x < kViewWidth; x += kJuliaBlock)
            for (size_t r = first; r < std::min(first + kTileRows, directRows.size()); ++r)
                directJobs.push_back({startRe + x, startPoint(directRows[r], kViewHeight),
                                      directRows[r] * kViewWidth + x, nullptr});
    for (size_t first = 0; first < mirroredRows.size(); first += kTileRows)
        for (size_t i = 0; i < exceptionColumns.size(); i += kJuliaBlock)
            for (size_t r = first; r < std::min(first + kTileRows, mirroredRows.size()); ++r)
                exceptionJobs.push_back({exceptionRe.data() + i, startPoint(mirroredRows[r], kViewHeight),
                                         mirroredRows[r] * kViewWidth, exceptionColumns.data() + i});
}

const JuliaPlan& juliaPlan()
{
    static const JuliaPlan plan;
    return plan;
}

// Pixel x of the row takes pixel 320 - x of the source row. Pixel 0 reads
// the first pixel of the source's next row; it is an exception column and
// painted afterwards.
void copyRowReversed(const uint32_t* source, uint32_t* row)
{
    static_assert(kViewWidth % 4 == 0);
    for (int x = 0; x < kViewWidth; x += 4) {
        const __m128i ahead = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + kViewWidth - x - 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_shuffle_epi32(ahead, _MM_SHUFFLE(0, 1, 2, 3)));
    }
}

JuliaKernel fastestKernel()
{
    if (JuliaHasKernel(JuliaKernel::Avx512))
        return JuliaKernel::Avx512;
    return JuliaHasKernel(JuliaKernel::Avx2) ? JuliaKernel::Avx2 : JuliaKernel::Sse2;
}

} // namespace

bool JuliaHasKernel(JuliaKernel kernel)
{
    switch (kernel) {
    case JuliaKernel::Sse2:
        return true;
    case JuliaKernel::Avx2:
        return JuliaCanUseAvx2();
    case JuliaKernel::Avx512:
        return __builtin_cpu_supports("avx512f");
    }
    return false;
}

void PaintJuliaJobs(JuliaKernel kernel, const JuliaJob* jobs, int jobCount, float cr, float ci,
                    const uint32_t* colours, uint32_t* view)
{
    switch (kernel) {
    case JuliaKernel::Sse2:
        paintJobsSse2(jobs, jobCount, cr, ci, colours, view);
        break;
    case JuliaKernel::Avx2:
        paintJobsAvx2(jobs, jobCount, cr, ci, colours, view);
        break;
    case JuliaKernel::Avx512:
        paintJobsAvx512(jobs, jobCount, cr, ci, colours, view);
        break;
    }
}

void DrawJuliaWith(JuliaKernel kernel, const CImage& paletteStrip, uint32_t* view, uint32_t ms)
{
    const float s = static_cast<float>(static_cast<double>(ms) / 1000.0);
    const float argRe = static_cast<float>(s * 0.9);
    const float argIm = static_cast<float>(s * 0.5 + 1.3);
    const float cr = static_cast<float>(singleSine(argRe) * 0.5);
    const float ci = static_cast<float>(singleCosine(argIm) * 0.5);
    uint32_t colours[kMaxIterations + 1];
    for (int count = 0; count <= kMaxIterations; ++count)
        colours[count] = paletteStrip.pixels[kMaxIterations - count];

    const JuliaPlan& plan = juliaPlan();
    PaintJuliaJobs(kernel, plan.directJobs.data(), static_cast<int>(plan.directJobs.size()), cr, ci, colours, view);
    for (int y : plan.mirroredRows)
        copyRowReversed(view + (kViewHeight - y) * kViewWidth, view + y * kViewWidth);
    PaintJuliaJobs(kernel, plan.exceptionJobs.data(), static_cast<int>(plan.exceptionJobs.size()), cr, ci, colours,
                   view);
}

void DrawJulia(const CImage& paletteStrip, uint32_t* view, uint32_t ms)
{
    static const JuliaKernel kernel = fastestKernel();
    DrawJuliaWith(kernel, paletteStrip, view, ms);
}
