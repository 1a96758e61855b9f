#include "effects_reference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

std::vector<JuliaKernel> availableKernels()
{
    std::vector<JuliaKernel> kernels;
    for (JuliaKernel kernel : {JuliaKernel::Sse2, JuliaKernel::Avx2, JuliaKernel::Avx512})
        if (JuliaHasKernel(kernel))
            kernels.push_back(kernel);
    return kernels;
}

TEST(Julia, CentreIsInsideAndTheCornerEscapesAtTheSecondStep)
{
    EffectState effects;
    makeFlatState(effects, 0, 0); // palette entry i is 0xFF0000ii
    std::vector<uint32_t> view(320 * 240, 0x12345678u);
    DrawJulia(*effects.paletteStrip, view.data(), 0);
    EXPECT_EQ(view[120 * 320 + 160], 0xFF000000u); // never escapes: entry 0
    EXPECT_EQ(view[0], 0xFF00001Eu);               // count 1: entry 30
    for (uint32_t pixel : view)
        ASSERT_NE(pixel, 0x12345678u);
}

TEST(Julia, ExactlyOnTheEscapeRadiusDoesNotEscape)
{
    // Start 3 + 0i with c = 1: after one step z = 10 exactly (|z|^2 = 100),
    // which stays; the next step escapes. Lanes also cover the first-step
    // escape and points that never escape. Each kernel on its own, for a
    // block and as a job: the dispatcher picks only one of them here.
    using Kernel = void (*)(const float*, float, float, float, int32_t*);
    std::vector<std::pair<const char*, Kernel>> kernels = {{"dispatcher", CountJuliaBlock},
                                                           {"SSE2", CountJuliaBlockSse2}};
    if (JuliaCanUseAvx2())
        kernels.emplace_back("AVX2", CountJuliaBlockAvx2);
    const float startRe[kJuliaBlock] = {3.0f, 0.0f, 4.0f, 3.0f, 0.0f, 3.0f, -3.0f, 0.0f};
    for (const auto& [name, count] : kernels) {
        SCOPED_TRACE(name);
        int32_t counts[kJuliaBlock];
        count(startRe, 0.0f, 1.0f, 0.0f, counts);
        EXPECT_EQ(counts[0], 1);
        EXPECT_EQ(counts[2], 0); // 4 -> 17 escapes at once
        EXPECT_EQ(counts[6], 1);
        count(startRe, 0.0f, 0.0f, 0.0f, counts); // c = 0: 0 stays, 3 escapes
        EXPECT_EQ(counts[1], 31);
        EXPECT_EQ(counts[0], 1); // 3 -> 9 -> 81
    }
    uint32_t identity[32];
    for (uint32_t i = 0; i < 32; ++i)
        identity[i] = i;
    const JuliaJob job{startRe, 0.0f, 0, nullptr};
    for (JuliaKernel kernel : availableKernels()) {
        SCOPED_TRACE(static_cast<int>(kernel));
        uint32_t painted[kJuliaBlock];
        PaintJuliaJobs(kernel, &job, 1, 1.0f, 0.0f, identity, painted);
        EXPECT_EQ(painted[0], 1u);
        EXPECT_EQ(painted[2], 0u);
        EXPECT_EQ(painted[6], 1u);
        PaintJuliaJobs(kernel, &job, 1, 0.0f, 0.0f, identity, painted);
        EXPECT_EQ(painted[1], 31u);
        EXPECT_EQ(painted[0], 1u);
    }
    EXPECT_EQ(reference::JuliaCount(3.0f, 0.0f, 1.0f, 0.0f), 1);
}

TEST(Julia, VectorLanesMatchTheScalarIteration)
{
    // Random start points and constants, including ones near the set's edge
    // where single-precision rounding decides the count; both vector widths.
    uint32_t seed = 99u;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(seed >> 8) / 16777216.0f * 4.0f - 2.0f;
    };
    for (int trial = 0; trial < 20000; ++trial) {
        float startRe[kJuliaBlock];
        for (float& re : startRe)
            re = next();
        const float startIm = next(), cr = next() / 4, ci = next() / 4;
        int32_t sse2[kJuliaBlock], avx2[kJuliaBlock];
        CountJuliaBlockSse2(startRe, startIm, cr, ci, sse2);
        if (JuliaCanUseAvx2())
            CountJuliaBlockAvx2(startRe, startIm, cr, ci, avx2);
        for (int i = 0; i < kJuliaBlock; ++i) {
            const int expected = reference::JuliaCount(startRe[i], startIm, cr, ci);
            ASSERT_EQ(sse2[i], expected);
            if (JuliaCanUseAvx2()) {
                ASSERT_EQ(avx2[i], expected);
            }
        }

        // The same points as whole jobs at several imaginary parts, more
        // jobs than the kernels keep in flight, the last one painted through
        // a column list in reverse; colour i is i, so pixels are counts.
        constexpr int kJobs = 6;
        float startIms[kJobs] = {startIm};
        for (int j = 1; j < kJobs; ++j)
            startIms[j] = next();
        int32_t reversed[kJuliaBlock];
        for (int i = 0; i < kJuliaBlock; ++i)
            reversed[i] = kJuliaBlock - 1 - i;
        JuliaJob jobs[kJobs];
        for (int j = 0; j < kJobs; ++j)
            jobs[j] = {startRe, startIms[j], j * kJuliaBlock, j == kJobs - 1 ? reversed : nullptr};
        uint32_t identity[32];
        for (uint32_t i = 0; i < 32; ++i)
            identity[i] = i;
        for (JuliaKernel kernel : availableKernels()) {
            uint32_t painted[kJobs * kJuliaBlock];
            PaintJuliaJobs(kernel, jobs, kJobs, cr, ci, identity, painted);
            for (int j = 0; j < kJobs; ++j) {
                for (int i = 0; i < kJuliaBlock; ++i) {
                    const int pixel = j * kJuliaBlock + (jobs[j].columns ? reversed[i] : i);
                    ASSERT_EQ(painted[pixel], static_cast<uint32_t>(reference::JuliaCount(startRe[i], startIms[j], cr, ci)))
                        << "kernel " << static_cast<int>(kernel) << ", job " << j << ", lane " << i;
                }
            }
        }
    }
}

TEST(Julia, MatchesThePlainFormAtManyTimes)
{
    // The frame also takes the counts of the mirrored half and of the
    // exception columns from each kernel in turn.
    const EffectState& effects = embeddedEffects();
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    for (uint32_t ms : sampleTimes()) {
        DrawJulia(*effects.paletteStrip, view.data(), ms);
        reference::DrawJulia(*effects.paletteStrip, expected.data(), ms);
        ASSERT_EQ(view, expected) << ms << " ms";
        for (JuliaKernel kernel : availableKernels()) {
            std::fill(view.begin(), view.end(), 0x12345678u);
            DrawJuliaWith(kernel, *effects.paletteStrip, view.data(), ms);
            ASSERT_EQ(view, expected) << ms << " ms, kernel " << static_cast<int>(kernel);
        }
    }
}

} // namespace
