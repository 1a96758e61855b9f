#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <cstring>

namespace {

constexpr int kMaxIterations = 31;
constexpr int kLanes = 8;
constexpr int kVectors = kJuliaBlock / kLanes; // independent chains hide the latency
static_assert(kLanes * kVectors == kJuliaBlock);

// Eight single-precision lanes. Built for plain x86-64 the compiler splits
// each operation into two SSE2 instructions; in the AVX build it is one. The
// lanes do exactly the scalar IEEE single-precision steps either way (the
// build forbids fused multiply-add), so the counts are the same.
typedef float Floats __attribute__((vector_size(32)));
typedef int32_t Ints __attribute__((vector_size(32)));
typedef uint64_t Words __attribute__((vector_size(32)));

// Every value of the iteration is single precision, in this order:
//   zr' = (zr*zr + cr) - zi*zi,  zi' = zr*zi + (ci + zr*zi),
// then escape when zr'*zr' + zi'*zi' > 100 (exactly 100 stays). A lane that
// escaped keeps iterating (its values may run to infinity) but no longer
// counts; the block stops when every lane has escaped.
__attribute__((always_inline)) inline void countLanes(const float* startRe, float startIm, float cr, float ci,
                                                      int32_t* counts)
{
    Floats zr[kVectors], zi[kVectors], zr2[kVectors], zi2[kVectors];
    Ints active[kVectors], count[kVectors];
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
        const Words any = reinterpret_cast<Words>(stillGoing);
        if ((any[0] | any[1] | any[2] | any[3]) == 0)
            break;
    }
    for (int k = 0; k < kVectors; ++k)
        std::memcpy(counts + k * kLanes, &count[k], sizeof(Ints));
}

} // namespace

void CountJuliaBlockSse2(const float* startRe, float startIm, float cr, float ci, int32_t* counts)
{
    countLanes(startRe, startIm, cr, ci, counts);
}

__attribute__((target("avx"))) void CountJuliaBlockAvx(const float* startRe, float startIm, float cr, float ci,
                                                       int32_t* counts)
{
    countLanes(startRe, startIm, cr, ci, counts);
}

bool JuliaCanUseAvx()
{
    return __builtin_cpu_supports("avx");
}

void CountJuliaBlock(const float* startRe, float startIm, float cr, float ci, int32_t* counts)
{
    if (JuliaCanUseAvx())
        CountJuliaBlockAvx(startRe, startIm, cr, ci, counts);
    else
        CountJuliaBlockSse2(startRe, startIm, cr, ci, counts);
}

void DrawJulia(const CImage& paletteStrip, uint32_t* view, uint32_t ms)
{
    const float s = static_cast<float>(static_cast<double>(ms) / 1000.0);
    const float argRe = static_cast<float>(s * 0.9);
    const float argIm = static_cast<float>(s * 0.5 + 1.3);
    const float cr = static_cast<float>(singleSine(argRe) * 0.5);
    const float ci = static_cast<float>(singleCosine(argIm) * 0.5);
    const auto countBlock = JuliaCanUseAvx() ? CountJuliaBlockAvx : CountJuliaBlockSse2;

    // The start points do not depend on the time.
    float startRe[kViewWidth];
    for (int x = 0; x < kViewWidth; ++x)
        startRe[x] = static_cast<float>(x) / 320 * 4 - 2;
    uint32_t colours[kMaxIterations + 1];
    for (int count = 0; count <= kMaxIterations; ++count)
        colours[count] = paletteStrip.pixels[kMaxIterations - count];

    static_assert(kViewWidth % kJuliaBlock == 0);
    int32_t counts[kJuliaBlock];
    for (int y = 0; y < kViewHeight; ++y) {
        const float startIm = static_cast<float>(y) / 240 * 4 - 2;
        uint32_t* out = view + y * kViewWidth;
        for (int x = 0; x < kViewWidth; x += kJuliaBlock) {
            countBlock(startRe + x, startIm, cr, ci, counts);
            for (int i = 0; i < kJuliaBlock; ++i)
                out[x + i] = colours[counts[i]];
        }
    }
}
