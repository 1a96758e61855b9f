#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <cmath>
#include <algorithm>
#include <cstring>
#include <emmintrin.h>
#include <immintrin.h>
#include <limits>

#define TUNNEL_AVX512 __attribute__((target("avx2,avx512f,avx512bw")))

namespace {

constexpr int kCellSize = 4;
constexpr int kCellColumns = kTunnelGridColumns - 1; // 80 cells of 4 pixels: 320
constexpr int kCellRows = kTunnelGridRows - 1;       // 60 cells of 4 pixels: 240

// GCC 12's unmasked forms of a few AVX-512 intrinsics start from an
// "undefined" register that -Wuninitialized reports; with every lane
// selected the zero-masked forms are the same instructions.
constexpr __mmask16 kAllLanes = 0xFFFF;
TUNNEL_AVX512 inline __m512 squareRoot(__m512 value) { return _mm512_maskz_sqrt_ps(kAllLanes, value); }
TUNNEL_AVX512 inline __m512i truncateLanes(__m512 value) { return _mm512_maskz_cvttps_epi32(kAllLanes, value); }
TUNNEL_AVX512 inline __m512 permute(__m512i index, __m512 table)
{
    return _mm512_maskz_permutexvar_ps(kAllLanes, index, table);
}
// The low 16 bits of each 32-bit lane.
TUNNEL_AVX512 inline __m256i lowHalves(__m512i value) { return _mm512_maskz_cvtepi32_epi16(kAllLanes, value); }
TUNNEL_AVX512 inline __m512i shiftLeft(__m512i value, unsigned bits)
{
    return _mm512_maskz_slli_epi32(kAllLanes, value, bits);
}

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

// The wall's texture row from the tangent q of the hit's angle around the
// axis: 127 - trunc(atan(q) / -3.14 * 127), the arc tangent taken in double
// precision and rounded to float. The truncated part only takes the values
// -63..63 and never rises as q grows (each operation in it is monotone), so
// it is fixed by how many of the 126 floats at which it steps down lie at or
// below q. Those steps are found once by bisecting over the floats with the
// very same expression, so the lookup gives the same bits as calling the
// arc tangent for every q; NaN (0 / 0) gives INT32_MIN, as the plain form
// does.
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
    WallRowLookup()
    {
        findSteps();
        bisection_.build(steps_);
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

    // Four lanes at once; the only loads left to single lanes are the
    // table reads.
    __m128i rows(__m128 q) const
    {
        if (!bucketsHold_) {
            alignas(16) float lanes[4];
            _mm_store_ps(lanes, q);
            return _mm_setr_epi32(row(lanes[0]), row(lanes[1]), row(lanes[2]), row(lanes[3]));
        }
        const __m128i bits = _mm_castps_si128(q);
        const __m128i key = _mm_xor_si128(bits, _mm_or_si128(_mm_srai_epi32(bits, 31), _mm_set1_epi32(INT32_MIN)));
        // Bucket numbers fit in 15 bits: the low half of each lane.
        const __m128i bucket = _mm_srli_epi32(key, kBucketShift);
        const int b0 = stepsBelow_[_mm_extract_epi16(bucket, 0)], b1 = stepsBelow_[_mm_extract_epi16(bucket, 2)];
        const int b2 = stepsBelow_[_mm_extract_epi16(bucket, 4)], b3 = stepsBelow_[_mm_extract_epi16(bucket, 6)];
        const __m128 first = _mm_setr_ps(steps_[b0], steps_[b1], steps_[b2], steps_[b3]);
        const __m128 second = _mm_setr_ps(steps_[b0 + 1], steps_[b1 + 1], steps_[b2 + 1], steps_[b3 + 1]);
        // A comparison that holds is -1: subtracting it counts the step.
        const __m128i passed = _mm_sub_epi32(_mm_sub_epi32(_mm_setr_epi32(b0, b1, b2, b3),
                                                           _mm_castps_si128(_mm_cmple_ps(first, q))),
                                             _mm_castps_si128(_mm_cmple_ps(second, q)));
        const __m128i row = _mm_sub_epi32(_mm_set1_epi32(127), _mm_sub_epi32(_mm_set1_epi32(leftmost_), passed));
        const __m128i notANumber = _mm_castps_si128(_mm_cmpunord_ps(q, q));
        return _mm_or_si128(_mm_andnot_si128(notANumber, row),
                            _mm_and_si128(notANumber, _mm_set1_epi32(wrapSubtract(127, INT32_MIN))));
    }

    // Eight lanes, with the processor's gathers.
    __attribute__((target("avx2"))) __m256i rows(__m256 q) const
    {
        if (!bucketsHold_) {
            alignas(32) float lanes[8];
            _mm256_store_ps(lanes, q);
            return _mm256_setr_epi32(row(lanes[0]), row(lanes[1]), row(lanes[2]), row(lanes[3]), row(lanes[4]),
                                     row(lanes[5]), row(lanes[6]), row(lanes[7]));
        }
        const __m256i bits = _mm256_castps_si256(q);
        const __m256i key =
            _mm256_xor_si256(bits, _mm256_or_si256(_mm256_srai_epi32(bits, 31), _mm256_set1_epi32(INT32_MIN)));
        const __m256i bucket = _mm256_srli_epi32(key, kBucketShift);
        const __m256i below = _mm256_and_si256(
            _mm256_i32gather_epi32(reinterpret_cast<const int*>(stepsBelow_), bucket, 1), _mm256_set1_epi32(0xFF));
        const __m256 first = _mm256_i32gather_ps(steps_, below, 4);
        const __m256 second = _mm256_i32gather_ps(steps_ + 1, below, 4);
        const __m256i passed =
            _mm256_sub_epi32(_mm256_sub_epi32(below, _mm256_castps_si256(_mm256_cmp_ps(first, q, _CMP_LE_OQ))),
                             _mm256_castps_si256(_mm256_cmp_ps(second, q, _CMP_LE_OQ)));
        const __m256i row =
            _mm256_sub_epi32(_mm256_set1_epi32(127), _mm256_sub_epi32(_mm256_set1_epi32(leftmost_), passed));
        const __m256 notANumber = _mm256_cmp_ps(q, q, _CMP_UNORD_Q);
        return _mm256_castps_si256(_mm256_blendv_ps(_mm256_castsi256_ps(row),
                                                    _mm256_castsi256_ps(_mm256_set1_epi32(wrapSubtract(127, INT32_MIN))),
                                                    notANumber));
    }

    // Sixteen lanes by the same bisection as row(), each level's steps
    // held in registers and picked by permutes: cheaper here than the
    // buckets' three gathers.
    TUNNEL_AVX512 __m512i rows(__m512 q) const
    {
        const Bisection& b = bisection_;
        // below: how many of the level's steps lie at or below q so far.
        __m512i below = _mm512_maskz_mov_epi32(_mm512_cmp_ps_mask(_mm512_set1_ps(b.level(0)[0]), q, _CMP_LE_OQ),
                                               _mm512_set1_epi32(1));
        for (int k = 1; k <= 4; ++k) // 2, 4, 8 and 16 steps: one register
            below = halve(below, permute(below, _mm512_load_ps(b.level(k))), q);
        below = halve(below, _mm512_permutex2var_ps(_mm512_load_ps(b.level(5)), below, _mm512_load_ps(b.level(5) + 16)), q);
        const __m512 lowHalf = _mm512_permutex2var_ps(_mm512_load_ps(b.level(6)), below, _mm512_load_ps(b.level(6) + 16));
        const __m512 highHalf =
            _mm512_permutex2var_ps(_mm512_load_ps(b.level(6) + 32), below, _mm512_load_ps(b.level(6) + 48));
        const __mmask16 upper = _mm512_test_epi32_mask(below, _mm512_set1_epi32(32));
        below = halve(below, _mm512_mask_blend_ps(upper, lowHalf, highHalf), q);
        const __m512i row =
            _mm512_sub_epi32(_mm512_set1_epi32(127), _mm512_sub_epi32(_mm512_set1_epi32(leftmost_), below));
        return _mm512_mask_mov_epi32(row, _mm512_cmp_ps_mask(q, q, _CMP_UNORD_Q),
                                     _mm512_set1_epi32(wrapSubtract(127, std::numeric_limits<int32_t>::min())));
    }

private:
    // One level down: twice the count, plus one where the step compared
    // lies at or below q.
    TUNNEL_AVX512 static __m512i halve(__m512i below, __m512 step, __m512 q)
    {
        const __m512i twice = _mm512_add_epi32(below, below);
        return _mm512_mask_add_epi32(twice, _mm512_cmp_ps_mask(step, q, _CMP_LE_OQ), twice, _mm512_set1_epi32(1));
    }

    static constexpr int kSteps = 128; // 126 used, the rest NaN
    static constexpr int kBucketShift = 17;
    static constexpr int kBuckets = 1 << (32 - kBucketShift);
    static constexpr int kStepsPerBucket = 2;

    // steps_[i] is the smallest q whose column is at most leftmost_ - 1 - i.
    void findSteps()
    {
        const float infinity = std::numeric_limits<float>::infinity();
        leftmost_ = angleColumn(-infinity);
        const int32_t rightmost = angleColumn(infinity);
        for (float& step : steps_)
            step = std::numeric_limits<float>::quiet_NaN(); // never at or below q
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

    // One lane by bisection over all the steps, without branches: the
    // comparisons follow q, which no predictor can guess.
    int32_t row(float q) const
    {
        if (q != q)
            return wrapSubtract(127, std::numeric_limits<int32_t>::min());
        int32_t passed = 0; // how many steps lie at or below q
#pragma GCC unroll 7
        for (int32_t stride = kSteps / 2; stride > 0; stride /= 2)
            passed += stride * static_cast<int32_t>(steps_[passed + stride - 1] <= q);
        return wrapSubtract(127, leftmost_ - passed);
    }

    static int32_t angleColumn(float q)
    {
        const float at = static_cast<float>(std::atan(static_cast<double>(q)));
        return truncateToInt32(at / -3.14 * 127);
    }
    // Unsigned keys in the order of the floats they stand for (-0 just
    // below +0), so bisection can walk the floats.
    static uint32_t orderKey(float f)
    {
        uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        return (bits & 0x80000000u) ? ~bits : bits | 0x80000000u;
    }
    static float fromOrderKey(uint32_t key)
    {
        const uint32_t bits = (key & 0x80000000u) ? key & 0x7FFFFFFFu : ~key;
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

    // The steps row() compares at each level of its bisection, in the
    // order of the positions reached: level k (stride 64 >> k) holds the
    // 2^k steps steps_[(2i + 1) * stride - 1], from a whole register on.
    struct Bisection {
        static constexpr int kLevels = 7;
        alignas(64) float steps[11 * 16]; // levels 0..4 one register each, then 2 and 4
        int levelAt[kLevels];
        void build(const float* all)
        {
            std::fill(std::begin(steps), std::end(steps), std::numeric_limits<float>::quiet_NaN());
            for (int k = 0, at = 0; k < kLevels; ++k) {
                const int stride = kSteps / 2 >> k;
                levelAt[k] = at;
                for (int i = 0; i < (1 << k); ++i)
                    steps[at + i] = all[(2 * i + 1) * stride - 1];
                at += std::max(16, 1 << k);
            }
        }
        const float* level(int k) const { return steps + levelAt[k]; }
    };

    float steps_[kSteps];
    Bisection bisection_;
    int32_t stepCount_ = 0;
    int32_t leftmost_ = 0;
    bool bucketsHold_ = true;
    uint8_t stepsBelow_[kBuckets + 3]; // the last 3 only pad the 4-byte gathers
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
void castFourRays(const TunnelFrame& f, const WallRowLookup& wallRow, const float* x4, float y, int valid, int32_t* u,
                  int32_t* v)
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
    const __m128 hitLanes = _mm_cmpgt_ps(disc, _mm_setzero_ps());
    const int hits = _mm_movemask_ps(hitLanes) & ((1 << valid) - 1);
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
    const __m128i texelV = wallRow.rows(_mm_div_ps(yh, xh));
    if (valid == 4) {
        const __m128i hit = _mm_castps_si128(hitLanes);
        auto keepMissed = [hit](int32_t* at, __m128i fresh) {
            __m128i* lanes = reinterpret_cast<__m128i*>(at);
            _mm_storeu_si128(lanes, _mm_or_si128(_mm_and_si128(hit, fresh), _mm_andnot_si128(hit, _mm_loadu_si128(lanes))));
        };
        keepMissed(u, texelU);
        keepMissed(v, texelV);
        return;
    }
    alignas(16) int32_t lanesU[4], lanesV[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanesU), texelU);
    _mm_store_si128(reinterpret_cast<__m128i*>(lanesV), texelV);
    for (int lane = 0; lane < valid; ++lane) {
        if ((hits & (1 << lane)) == 0)
            continue;
        u[lane] = lanesU[lane];
        v[lane] = lanesV[lane];
    }
}

// Stores the lanes of points whose ray hit; the others keep their values.
__attribute__((target("avx2"))) inline void keepMissed(int32_t* at, __m256i fresh, __m256 hit)
{
    __m256i* lanes = reinterpret_cast<__m256i*>(at);
    const __m256 old = _mm256_castsi256_ps(_mm256_loadu_si256(lanes));
    _mm256_storeu_si256(lanes, _mm256_castps_si256(_mm256_blendv_ps(old, _mm256_castsi256_ps(fresh), hit)));
}

// The same steps for eight neighbouring grid points, all of them in the
// grid, with AVX2. Where 2*Aq > 0 (every hit but a degenerate one),
// t1 <= t2 always: sqrt(disc) > 0 puts -Bq - sqrt(disc) below
// sqrt(disc) - Bq, and rounding and division by a positive number keep
// that order. So t2 is only worked out when some hit lane lacks it.
__attribute__((target("avx2"))) void castEightRays(const TunnelFrame& f, const WallRowLookup& wallRow,
                                                   const float* x8, float y, int32_t* u, int32_t* v)
{
    const float d1 = -f.cosA - f.sinA * y;
    const float dyRow = y * f.cosA - f.sinA;
    const __m256 x = _mm256_loadu_ps(x8);
    const __m256 dy = _mm256_set1_ps(dyRow);
    const __m256 dz = _mm256_sub_ps(_mm256_set1_ps(f.cosB * d1), _mm256_mul_ps(_mm256_set1_ps(f.sinB), x));
    const __m256 dx = _mm256_add_ps(_mm256_set1_ps(f.sinB * d1), _mm256_mul_ps(_mm256_set1_ps(f.cosB), x));
    const __m256 aq = _mm256_add_ps(_mm256_mul_ps(dx, dx), _mm256_set1_ps(dyRow * dyRow));
    const __m256 bq = _mm256_mul_ps(_mm256_set1_ps(2.0f),
                                    _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(f.p1), dx), _mm256_set1_ps(f.p2 * dyRow)));
    const __m256 disc =
        _mm256_sub_ps(_mm256_mul_ps(bq, bq), _mm256_mul_ps(_mm256_mul_ps(_mm256_set1_ps(4.0f), aq), _mm256_set1_ps(f.cq)));
    const __m256 hit = _mm256_cmp_ps(disc, _mm256_setzero_ps(), _CMP_GT_OQ);
    if (_mm256_movemask_ps(hit) == 0)
        return;
    const __m256 sq = _mm256_sqrt_ps(disc);
    const __m256 twoAq = _mm256_mul_ps(_mm256_set1_ps(2.0f), aq);
    const __m256 negBq = _mm256_xor_ps(bq, _mm256_set1_ps(-0.0f));
    __m256 l = _mm256_div_ps(_mm256_sub_ps(negBq, sq), twoAq);
    if (_mm256_movemask_ps(_mm256_andnot_ps(_mm256_cmp_ps(twoAq, _mm256_setzero_ps(), _CMP_GT_OQ), hit)) != 0) {
        const __m256 t2 = _mm256_div_ps(_mm256_sub_ps(sq, bq), twoAq);
        l = _mm256_blendv_ps(t2, l, _mm256_cmp_ps(l, t2, _CMP_LE_OQ));
    }
    const __m256 along = _mm256_add_ps(_mm256_mul_ps(l, dz), _mm256_set1_ps(f.tz));
    const __m256i texelU =
        _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_div_ps(along, _mm256_set1_ps(500.0f)), _mm256_set1_ps(40.0f)));
    const __m256 xh = _mm256_add_ps(_mm256_mul_ps(l, dx), _mm256_set1_ps(f.p1));
    const __m256 yh = _mm256_add_ps(_mm256_mul_ps(l, dy), _mm256_set1_ps(f.p2));
    const __m256i texelV = wallRow.rows(_mm256_div_ps(yh, xh));
    keepMissed(u, texelU, hit);
    keepMissed(v, texelV, hit);
}

// Sixteen rays' texel coordinates and which of them hit.
struct SixteenRays {
    __m512i u, v;
    __mmask16 hit;
};

// The same steps for sixteen grid points at (x, y), lane by lane, with
// AVX-512. The row values are taken per lane, which rounds as the scalar
// once-per-row ones do; t2 is skipped as castEightRays does.
TUNNEL_AVX512 SixteenRays castSixteenRays(const TunnelFrame& f, const WallRowLookup& wallRow, __m512 x, __m512 y)
{
    const __m512 d1 = _mm512_sub_ps(_mm512_set1_ps(-f.cosA), _mm512_mul_ps(_mm512_set1_ps(f.sinA), y));
    const __m512 dy = _mm512_sub_ps(_mm512_mul_ps(y, _mm512_set1_ps(f.cosA)), _mm512_set1_ps(f.sinA));
    const __m512 dz = _mm512_sub_ps(_mm512_mul_ps(_mm512_set1_ps(f.cosB), d1), _mm512_mul_ps(_mm512_set1_ps(f.sinB), x));
    const __m512 dx = _mm512_add_ps(_mm512_mul_ps(_mm512_set1_ps(f.sinB), d1), _mm512_mul_ps(_mm512_set1_ps(f.cosB), x));
    const __m512 aq = _mm512_add_ps(_mm512_mul_ps(dx, dx), _mm512_mul_ps(dy, dy));
    const __m512 bq = _mm512_mul_ps(_mm512_set1_ps(2.0f), _mm512_add_ps(_mm512_mul_ps(_mm512_set1_ps(f.p1), dx),
                                                                        _mm512_mul_ps(_mm512_set1_ps(f.p2), dy)));
    const __m512 disc =
        _mm512_sub_ps(_mm512_mul_ps(bq, bq), _mm512_mul_ps(_mm512_mul_ps(_mm512_set1_ps(4.0f), aq), _mm512_set1_ps(f.cq)));
    SixteenRays rays{};
    rays.hit = _mm512_cmp_ps_mask(disc, _mm512_setzero_ps(), _CMP_GT_OQ);
    if (rays.hit == 0)
        return rays;
    const __m512 sq = squareRoot(disc);
    const __m512 twoAq = _mm512_mul_ps(_mm512_set1_ps(2.0f), aq);
    const __m512 negBq = // the sign flipped, as the narrower paths do
        _mm512_castsi512_ps(_mm512_xor_si512(_mm512_castps_si512(bq), _mm512_set1_epi32(INT32_MIN)));
    __m512 l = _mm512_div_ps(_mm512_sub_ps(negBq, sq), twoAq);
    if ((rays.hit & ~_mm512_cmp_ps_mask(twoAq, _mm512_setzero_ps(), _CMP_GT_OQ)) != 0) {
        const __m512 t2 = _mm512_div_ps(_mm512_sub_ps(sq, bq), twoAq);
        l = _mm512_mask_blend_ps(_mm512_cmp_ps_mask(l, t2, _CMP_LE_OQ), t2, l);
    }
    const __m512 along = _mm512_add_ps(_mm512_mul_ps(l, dz), _mm512_set1_ps(f.tz));
    rays.u = truncateLanes(_mm512_mul_ps(_mm512_div_ps(along, _mm512_set1_ps(500.0f)), _mm512_set1_ps(40.0f)));
    const __m512 xh = _mm512_add_ps(_mm512_mul_ps(l, dx), _mm512_set1_ps(f.p1));
    const __m512 yh = _mm512_add_ps(_mm512_mul_ps(l, dy), _mm512_set1_ps(f.p2));
    rays.v = wallRow.rows(_mm512_div_ps(yh, xh));
    return rays;
}

// Built once, whichever instruction set casts.
const RayGrid& rayGrid()
{
    static const RayGrid rays;
    return rays;
}

const WallRowLookup& wallRowLookup()
{
    static const WallRowLookup lookup;
    return lookup;
}

template <bool wide>
void castRays(TunnelGrid& grid, uint32_t ms)
{
    const RayGrid& rays = rayGrid();
    const WallRowLookup& wallRow = wallRowLookup();
    const TunnelFrame frame(ms);
    constexpr int kWideColumns = wide ? kTunnelGridColumns / 8 * 8 : 0;
    for (int r = 0; r < kTunnelGridRows; ++r) {
        const int row = r * kTunnelGridColumns;
        for (int c = 0; c < kWideColumns; c += 8)
            castEightRays(frame, wallRow, rays.x + c, rays.y[r], grid.u + row + c, grid.v + row + c);
        for (int c = kWideColumns; c < kTunnelGridColumns; c += 4) {
            const int valid = kTunnelGridColumns - c < 4 ? kTunnelGridColumns - c : 4;
            castFourRays(frame, wallRow, rays.x + c, rays.y[r], valid, grid.u + row + c, grid.v + row + c);
        }
    }
}

// Every row sixteen points at a time up to column 79, then column 80 down
// the rows, sixteen rows at a time.
TUNNEL_AVX512 void castRaysAvx512(TunnelGrid& grid, uint32_t ms)
{
    const RayGrid& rays = rayGrid();
    const WallRowLookup& wallRow = wallRowLookup();
    const TunnelFrame frame(ms);
    constexpr int kRowColumns = kTunnelGridColumns / 16 * 16;
    static_assert(kRowColumns == kTunnelGridColumns - 1, "one column left for the column pass");
    for (int r = 0; r < kTunnelGridRows; ++r) {
        const __m512 y = _mm512_set1_ps(rays.y[r]);
        for (int c = 0; c < kRowColumns; c += 16) {
            const SixteenRays cast = castSixteenRays(frame, wallRow, _mm512_loadu_ps(rays.x + c), y);
            const int at = r * kTunnelGridColumns + c;
            _mm512_mask_storeu_epi32(grid.u + at, cast.hit, cast.u);
            _mm512_mask_storeu_epi32(grid.v + at, cast.hit, cast.v);
        }
    }
    const __m512 x = _mm512_set1_ps(rays.x[kRowColumns]);
    const __m512i rowStarts = _mm512_mullo_epi32(
        _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15), _mm512_set1_epi32(kTunnelGridColumns));
    for (int r = 0; r < kTunnelGridRows; r += 16) {
        const int rowsLeft = kTunnelGridRows - r;
        const __mmask16 inGrid = rowsLeft >= 16 ? kAllLanes : static_cast<__mmask16>((1u << rowsLeft) - 1);
        const SixteenRays cast = castSixteenRays(frame, wallRow, x, _mm512_maskz_loadu_ps(inGrid, rays.y + r));
        const int at = r * kTunnelGridColumns + kRowColumns;
        _mm512_mask_i32scatter_epi32(grid.u + at, cast.hit & inGrid, rowStarts, cast.u, 4);
        _mm512_mask_i32scatter_epi32(grid.v + at, cast.hit & inGrid, rowStarts, cast.v, 4);
    }
}

} // namespace

void CastTunnelRaysAvx512(TunnelGrid& grid, uint32_t ms)
{
    castRaysAvx512(grid, ms);
}

void CastTunnelRaysSse2(TunnelGrid& grid, uint32_t ms)
{
    castRays<false>(grid, ms);
}

void CastTunnelRaysAvx2(TunnelGrid& grid, uint32_t ms)
{
    castRays<true>(grid, ms);
}

void CastTunnelRays(TunnelGrid& grid, uint32_t ms)
{
    if (TunnelCanUseAvx512())
        CastTunnelRaysAvx512(grid, ms);
    else if (TunnelCanUseAvx2())
        CastTunnelRaysAvx2(grid, ms);
    else
        CastTunnelRaysSse2(grid, ms);
}

namespace {

// A jump of more than 120 between neighbours means the arc tangent wrapped
// between them; 128 is a multiple of the texture size, so adding it moves
// the lower value next to the higher one without changing its texel.
// Four cells at a time.
inline void liftIfBelow(__m128i& low, __m128i high)
{
    const __m128i jumped = _mm_cmpgt_epi32(_mm_sub_epi32(high, low), _mm_set1_epi32(120));
    low = _mm_add_epi32(low, _mm_and_si128(jumped, _mm_set1_epi32(128)));
}

inline __m128i load4(const int32_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); }

// The low 16 bits of each 32-bit lane of a (lanes 0..3) and b (4..7).
inline __m128i lowHalves(__m128i a, __m128i b)
{
    return _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16), _mm_srai_epi32(_mm_slli_epi32(b, 16), 16));
}

// The 16-bit lanes 0..3 of v, each repeated four times: the first two cells'
// pixels (into first) and the other two's (into second).
inline void spreadLow(__m128i v, __m128i& first, __m128i& second)
{
    const __m128i doubled = _mm_unpacklo_epi16(v, v);
    first = _mm_unpacklo_epi32(doubled, doubled);
    second = _mm_unpackhi_epi32(doubled, doubled);
}

inline void spreadHigh(__m128i v, __m128i& first, __m128i& second)
{
    const __m128i doubled = _mm_unpackhi_epi16(v, v);
    first = _mm_unpacklo_epi32(doubled, doubled);
    second = _mm_unpackhi_epi32(doubled, doubled);
}

// One row of cells spread over its 320 pixel columns: the low 16 bits of
// each pixel's 8.8 coordinates on the cell's top row, and of their steps
// down one pixel row. Only bits 8..13 pick a texel, and the low 16 bits of
// wrapping 32-bit sums and products depend only on the low 16 bits of
// their terms, so 16-bit lanes give the same texels. A step over a quarter
// of a cell is (b - a) * 256 / 4, exact on a multiple of 256: its low 16
// bits are those of (b - a) << 6.
struct CellRowSpans {
    alignas(32) uint16_t u[kViewWidth];
    alignas(32) uint16_t v[kViewWidth];
    alignas(32) uint16_t downU[kViewWidth];
    alignas(32) uint16_t downV[kViewWidth];
};

inline void store8(uint16_t* at, __m128i value) { _mm_store_si128(reinterpret_cast<__m128i*>(at), value); }

// Four cells (16 pixel columns) of the spans of cell row r from column c.
void spanFourCells(const TunnelGrid& grid, int r, int c, CellRowSpans& spans)
{
    const int tl = r * kTunnelGridColumns + c;
    const int bl = tl + kTunnelGridColumns;
    const __m128i uTL = load4(grid.u + tl), uTR = load4(grid.u + tl + 1), uBL = load4(grid.u + bl);
    __m128i vTL = load4(grid.v + tl), vTR = load4(grid.v + tl + 1);
    __m128i vBL = load4(grid.v + bl), vBR = load4(grid.v + bl + 1);
    // Seven tests in this order, each seeing the ones before.
    liftIfBelow(vTL, vTR);
    liftIfBelow(vBL, vBR);
    liftIfBelow(vTR, vTL);
    liftIfBelow(vBR, vBL);
    liftIfBelow(vTL, vBL);
    liftIfBelow(vTR, vBR);
    liftIfBelow(vBL, vTL);

    const __m128i startAndStepU = lowHalves(_mm_slli_epi32(uTL, 8), _mm_slli_epi32(_mm_sub_epi32(uTR, uTL), 6));
    const __m128i startAndStepV = lowHalves(_mm_slli_epi32(vTL, 8), _mm_slli_epi32(_mm_sub_epi32(vTR, vTL), 6));
    const __m128i downs = lowHalves(_mm_slli_epi32(_mm_sub_epi32(uBL, uTL), 6), _mm_slli_epi32(_mm_sub_epi32(vBL, vTL), 6));
    const __m128i ramp = _mm_setr_epi16(0, 1, 2, 3, 0, 1, 2, 3);
    __m128i start0, start1, step0, step1;
    const int px = c * kCellSize;
    spreadLow(startAndStepU, start0, start1);
    spreadHigh(startAndStepU, step0, step1);
    store8(spans.u + px, _mm_add_epi16(start0, _mm_mullo_epi16(step0, ramp)));
    store8(spans.u + px + 8, _mm_add_epi16(start1, _mm_mullo_epi16(step1, ramp)));
    spreadLow(startAndStepV, start0, start1);
    spreadHigh(startAndStepV, step0, step1);
    store8(spans.v + px, _mm_add_epi16(start0, _mm_mullo_epi16(step0, ramp)));
    store8(spans.v + px + 8, _mm_add_epi16(start1, _mm_mullo_epi16(step1, ramp)));
    spreadLow(downs, step0, step1);
    store8(spans.downU + px, step0);
    store8(spans.downU + px + 8, step1);
    spreadHigh(downs, step0, step1);
    store8(spans.downV + px, step0);
    store8(spans.downV + px + 8, step1);
}

// The texel index of every pixel of one pixel row (bits 8..13 of v pick the
// texture row, of u the column), then the texels; the spans move down a row.
void fillPixelRow(CellRowSpans& spans, const uint32_t* texels, uint32_t* out)
{
    alignas(16) uint16_t index[kViewWidth];
    const __m128i rowMask = _mm_set1_epi16(63 << 6);
    const __m128i columnMask = _mm_set1_epi16(63);
    for (int x = 0; x < kViewWidth; x += 8) {
        const __m128i u = _mm_load_si128(reinterpret_cast<const __m128i*>(spans.u + x));
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(spans.v + x));
        store8(index + x, _mm_or_si128(_mm_and_si128(_mm_srli_epi16(v, 2), rowMask),
                                       _mm_and_si128(_mm_srli_epi16(u, 8), columnMask)));
        store8(spans.u + x, _mm_add_epi16(u, _mm_load_si128(reinterpret_cast<const __m128i*>(spans.downU + x))));
        store8(spans.v + x, _mm_add_epi16(v, _mm_load_si128(reinterpret_cast<const __m128i*>(spans.downV + x))));
    }
    for (int x = 0; x < kViewWidth; ++x)
        out[x] = texels[index[x]];
}

// One texel per lane, read one at a time: for a texture that sits in the
// first-level cache these single loads beat the gather instruction by about
// a third on the processor measured (Zen 5 class). Four 16-bit indices come packed in a
// 64-bit word.
__attribute__((target("avx2"))) inline __m128i fetchFour(const uint32_t* texels, uint64_t indices)
{
    auto texel = [texels](uint64_t index) { return static_cast<int>(texels[index & 0xFFFF]); };
    __m128i lanes = _mm_cvtsi32_si128(texel(indices));
    lanes = _mm_insert_epi32(lanes, texel(indices >> 16), 1);
    lanes = _mm_insert_epi32(lanes, texel(indices >> 32), 2);
    return _mm_insert_epi32(lanes, texel(indices >> 48), 3);
}

// The four pixel rows of a cell row, from their texel indices.
constexpr int kCellRowPixels = kCellSize * kViewWidth;
__attribute__((target("avx2"))) inline void fetchCellRow(const uint64_t* index, const uint32_t* texels, uint32_t* out)
{
    for (int i = 0; i < kCellRowPixels; i += 8)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_set_m128i(fetchFour(texels, index[i / 4 + 1]), fetchFour(texels, index[i / 4])));
}

// The same with AVX2 for all four pixel rows of a cell row: the indices in
// sixteen 16-bit lanes, kept in registers from row to row, then the texels.
__attribute__((target("avx2"))) void fillCellRowAvx2(const CellRowSpans& spans, const uint32_t* texels, uint32_t* out)
{
    alignas(32) uint64_t index[kCellRowPixels / 4]; // four 16-bit indices each
    const __m256i rowMask = _mm256_set1_epi16(63 << 6);
    const __m256i columnMask = _mm256_set1_epi16(63);
    auto at = [](const uint16_t* lanes) { return reinterpret_cast<const __m256i*>(lanes); };
    for (int x = 0; x < kViewWidth; x += 16) {
        __m256i u = _mm256_load_si256(at(spans.u + x));
        __m256i v = _mm256_load_si256(at(spans.v + x));
        const __m256i downU = _mm256_load_si256(at(spans.downU + x));
        const __m256i downV = _mm256_load_si256(at(spans.downV + x));
        for (int j = 0; j < kCellSize; ++j) {
            const __m256i pixelIndex = _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(v, 2), rowMask),
                                                       _mm256_and_si256(_mm256_srli_epi16(u, 8), columnMask));
            _mm256_store_si256(reinterpret_cast<__m256i*>(index + (j * kViewWidth + x) / 4), pixelIndex);
            u = _mm256_add_epi16(u, downU);
            v = _mm256_add_epi16(v, downV);
        }
    }
    fetchCellRow(index, texels, out);
}

TUNNEL_AVX512 inline __m512i load16(const int32_t* at) { return _mm512_loadu_si512(at); }

TUNNEL_AVX512 inline void liftIfBelow(__m512i& low, __m512i high)
{
    const __mmask16 jumped = _mm512_cmpgt_epi32_mask(_mm512_sub_epi32(high, low), _mm512_set1_epi32(120));
    low = _mm512_mask_add_epi32(low, jumped, low, _mm512_set1_epi32(128));
}

// The low 16 bits of each cell's value, repeated for its four pixels: cells
// 0..7 of the sixteen (half 0) or 8..15 (half 1) over 32 pixel lanes.
TUNNEL_AVX512 inline __m512i spreadCells(__m256i cells, int half)
{
    alignas(64) static const uint16_t pixelCell[2][32] = {
        {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 7, 7, 7, 7},
        {8, 8, 8, 8, 9, 9, 9, 9, 10, 10, 10, 10, 11, 11, 11, 11, 12, 12, 12, 12, 13, 13, 13, 13, 14, 14, 14, 14,
         15, 15, 15, 15}};
    return _mm512_permutexvar_epi16(_mm512_load_si512(pixelCell[half]), _mm512_castsi256_si512(cells));
}

// The texel indices of sixteen cells (64 pixel columns from cell column c)
// on all four pixel rows of cell row r, with the same 16-bit spans as the
// narrower paths, kept in registers.
TUNNEL_AVX512 void indexSixteenCells(const TunnelGrid& grid, int r, int c, uint16_t* index)
{
    const int tl = r * kTunnelGridColumns + c;
    const int bl = tl + kTunnelGridColumns;
    const __m512i uTL = load16(grid.u + tl), uTR = load16(grid.u + tl + 1), uBL = load16(grid.u + bl);
    __m512i vTL = load16(grid.v + tl), vTR = load16(grid.v + tl + 1);
    __m512i vBL = load16(grid.v + bl), vBR = load16(grid.v + bl + 1);
    // Seven tests in this order, each seeing the ones before.
    liftIfBelow(vTL, vTR);
    liftIfBelow(vBL, vBR);
    liftIfBelow(vTR, vTL);
    liftIfBelow(vBR, vBL);
    liftIfBelow(vTL, vBL);
    liftIfBelow(vTR, vBR);
    liftIfBelow(vBL, vTL);

    const __m256i startU = lowHalves(shiftLeft(uTL, 8));
    const __m256i startV = lowHalves(shiftLeft(vTL, 8));
    const __m256i stepU = lowHalves(shiftLeft(_mm512_sub_epi32(uTR, uTL), 6));
    const __m256i stepV = lowHalves(shiftLeft(_mm512_sub_epi32(vTR, vTL), 6));
    const __m256i downU = lowHalves(shiftLeft(_mm512_sub_epi32(uBL, uTL), 6));
    const __m256i downV = lowHalves(shiftLeft(_mm512_sub_epi32(vBL, vTL), 6));
    const __m512i ramp = _mm512_set1_epi64(0x0003000200010000); // 0, 1, 2, 3 across each cell
    // Bits 6..11 of the index from v >> 2, the others from u >> 8, whose
    // top eight bits are clear.
    const __m512i rowMask = _mm512_set1_epi16(63 << 6);
    for (int half = 0; half < 2; ++half) {
        __m512i u = _mm512_add_epi16(spreadCells(startU, half), _mm512_mullo_epi16(spreadCells(stepU, half), ramp));
        __m512i v = _mm512_add_epi16(spreadCells(startV, half), _mm512_mullo_epi16(spreadCells(stepV, half), ramp));
        const __m512i pixelDownU = spreadCells(downU, half), pixelDownV = spreadCells(downV, half);
        uint16_t* at = index + c * kCellSize + half * 32;
        for (int j = 0; j < kCellSize; ++j) {
            const __m512i pixelIndex = _mm512_ternarylogic_epi32(_mm512_srli_epi16(v, 2), _mm512_srli_epi16(u, 8),
                                                                 rowMask, 0xE4); // rowMask ? v : u
            _mm512_store_si512(at + j * kViewWidth, pixelIndex);
            u = _mm512_add_epi16(u, pixelDownU);
            v = _mm512_add_epi16(v, pixelDownV);
        }
    }
}

// The whole fill with AVX-512: indices for a cell row sixteen cells at a
// time straight from the grid, then the texels.
TUNNEL_AVX512 void fillCellsAvx512(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    static_assert(kCellColumns % 16 == 0, "whole groups of sixteen cells");
    alignas(64) uint64_t index[kCellRowPixels / 4];
    for (int r = 0; r < kCellRows; ++r) {
        for (int c = 0; c < kCellColumns; c += 16)
            indexSixteenCells(grid, r, c, reinterpret_cast<uint16_t*>(index));
        fetchCellRow(index, texture.pixels, view + r * kCellRowPixels);
    }
}

void fillCellRowSse2(CellRowSpans& spans, const uint32_t* texels, uint32_t* out)
{
    for (int j = 0; j < kCellSize; ++j)
        fillPixelRow(spans, texels, out + j * kViewWidth);
}

template <typename FillCellRow>
void fillCells(const TunnelGrid& grid, const CImage& texture, uint32_t* view, FillCellRow fillCellRow)
{
    static_assert(kCellColumns % 4 == 0, "whole groups of four cells");
    CellRowSpans spans;
    for (int r = 0; r < kCellRows; ++r) {
        for (int c = 0; c < kCellColumns; c += 4)
            spanFourCells(grid, r, c, spans);
        fillCellRow(spans, texture.pixels, view + r * kCellSize * kViewWidth);
    }
}

} // namespace

bool TunnelCanUseAvx2()
{
    static const bool supported = __builtin_cpu_supports("avx2");
    return supported;
}

void FillTunnelCellsSse2(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    fillCells(grid, texture, view, fillCellRowSse2);
}

void FillTunnelCellsAvx2(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    fillCells(grid, texture, view, fillCellRowAvx2);
}

bool TunnelCanUseAvx512()
{
    static const bool supported = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("avx512f") &&
                                  __builtin_cpu_supports("avx512bw");
    return supported;
}

void FillTunnelCellsAvx512(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    fillCellsAvx512(grid, texture, view);
}

void FillTunnelCells(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    if (TunnelCanUseAvx512())
        FillTunnelCellsAvx512(grid, texture, view);
    else if (TunnelCanUseAvx2())
        FillTunnelCellsAvx2(grid, texture, view);
    else
        FillTunnelCellsSse2(grid, texture, view);
}

void DrawTunnel(TunnelGrid& grid, const CImage& texture, uint32_t* view, uint32_t ms)
{
    CastTunnelRays(grid, ms);
    FillTunnelCells(grid, texture, view);
}
