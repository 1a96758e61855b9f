#include "effects_reference.h"
#include "gfx/effects/julia_trap.h"
#include "tests/support/each_target.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace {

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
    // escape and points that never escape. Colour i is i, so pixels are
    // counts.
    const float startRe[kJuliaBlock] = {3.0f, 0.0f, 4.0f, 3.0f, 0.0f, 3.0f, -3.0f, 0.0f};
    uint32_t identity[32];
    for (uint32_t i = 0; i < 32; ++i)
        identity[i] = i;
    const JuliaJob job{startRe, 0.0f, 0, nullptr};
    EXPECT_EQ(plain::JuliaCount(3.0f, 0.0f, 1.0f, 0.0f), 1);
    forEachTarget([&](const simd::Target& target) {
        SCOPED_TRACE(target.name);
        uint32_t painted[kJuliaBlock];
        PaintJuliaJobs(&job, 1, 1.0f, 0.0f, identity, painted);
        EXPECT_EQ(painted[0], 1u);
        EXPECT_EQ(painted[2], 0u); // 4 -> 17 escapes at once
        EXPECT_EQ(painted[6], 1u);
        PaintJuliaJobs(&job, 1, 0.0f, 0.0f, identity, painted); // c = 0: 0 stays, 3 escapes
        EXPECT_EQ(painted[1], 31u);
        EXPECT_EQ(painted[0], 1u); // 3 -> 9 -> 81
    });
}

TEST(Julia, EveryTargetMatchesTheScalarIteration)
{
    // Random start points and constants, including ones near the set's edge
    // where single-precision rounding decides the count, as whole jobs at
    // several imaginary parts, more jobs than a target keeps in flight, the
    // last one painted through a column list in reverse; colour i is i, so
    // pixels are counts.
    uint32_t identity[32];
    for (uint32_t i = 0; i < 32; ++i)
        identity[i] = i;
    int32_t reversed[kJuliaBlock];
    for (int i = 0; i < kJuliaBlock; ++i)
        reversed[i] = kJuliaBlock - 1 - i;
    forEachTarget([&](const simd::Target& target) {
        uint32_t seed = 99u;
        auto next = [&] {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<float>(seed >> 8) / 16777216.0f * 4.0f - 2.0f;
        };
        for (int trial = 0; trial < 5000; ++trial) {
            float startRe[kJuliaBlock];
            for (float& re : startRe)
                re = next();
            const float cr = next() / 4, ci = next() / 4;
            constexpr int kJobs = 6;
            JuliaJob jobs[kJobs];
            for (int j = 0; j < kJobs; ++j)
                jobs[j] = {startRe, next(), j * kJuliaBlock, j == kJobs - 1 ? reversed : nullptr};
            uint32_t painted[kJobs * kJuliaBlock];
            PaintJuliaJobs(jobs, kJobs, cr, ci, identity, painted);
            for (int j = 0; j < kJobs; ++j) {
                for (int i = 0; i < kJuliaBlock; ++i) {
                    const int pixel = j * kJuliaBlock + (jobs[j].columns ? reversed[i] : i);
                    ASSERT_EQ(painted[pixel], static_cast<uint32_t>(plain::JuliaCount(startRe[i], jobs[j].startIm, cr, ci)))
                        << target.name << ", job " << j << ", lane " << i;
                }
            }
        }
    });
}

TEST(Julia, NoPointLeavesTheTrap)
{
    // Points on the trap's edge, for constants across the drift's range and
    // close to where the fixed point stops attracting (there the trap is
    // thinnest), stepped far beyond 31 times in single precision: each
    // stays in the disc (up to the test's rounding), so never escapes.
    int trapped = 0;
    for (int i = 0; i <= 40; ++i) {
        for (int j = 0; j <= 40; ++j) {
            const float cr = -0.5f + i / 40.0f, ci = -0.5f + j / 40.0f;
            const q2_julia::JuliaTrap trap = q2_julia::juliaTrap(cr, ci);
            if (trap.limit < 0)
                continue;
            ++trapped;
            auto distance = [&](float zr, float zi) {
                const float dr = zr - trap.centreRe, di = zi - trap.centreIm;
                return dr * dr + di * di;
            };
            for (int k = 0; k < 16; ++k) {
                const double angle = k * 0.3927;
                float radius = std::sqrt(trap.limit);
                float zr, zi;
                do {
                    zr = trap.centreRe + radius * static_cast<float>(std::cos(angle));
                    zi = trap.centreIm + radius * static_cast<float>(std::sin(angle));
                    radius *= 0.999999f;
                } while (distance(zr, zi) > trap.limit);
                ASSERT_EQ(plain::JuliaCount(zr, zi, cr, ci), 31) << cr << " " << ci;
                for (int step = 0; step < 500; ++step) {
                    const float newRe = (zr * zr + cr) - zi * zi;
                    const float newIm = zr * zi + (ci + zr * zi);
                    zr = newRe;
                    zi = newIm;
                    ASSERT_LE(distance(zr, zi), trap.limit * 1.00001f) << cr << " " << ci << " step " << step;
                }
            }
        }
    }
    EXPECT_GT(trapped, 600); // the main cardioid covers about half the square
    EXPECT_LT(q2_julia::juliaTrap(0.5f, 0.0f).limit, 0.0f); // z* = 1/2 only just stops attracting
    EXPECT_LT(q2_julia::juliaTrap(0.0f, 0.6f).limit, 0.0f); // beyond the drift's range
}

TEST(Julia, EveryTargetMatchesThePlainFormAtManyTimes)
{
    // The frame also takes the counts of the mirrored half and of the
    // exception columns from each target in turn.
    const EffectState& effects = embeddedEffects();
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    forEachTarget([&](const simd::Target& target) {
        for (uint32_t ms : sampleTimes()) {
            plain::DrawJulia(*effects.paletteStrip, expected.data(), ms);
            std::fill(view.begin(), view.end(), 0x12345678u);
            DrawJulia(*effects.paletteStrip, view.data(), ms);
            ASSERT_EQ(view, expected) << target.name << " at " << ms << " ms";
        }
    });
}

} // namespace
