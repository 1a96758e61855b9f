#include "effects_reference.h"
#include "support/each_target.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

TEST(WarpBackground, OverwritesEveryPixelAtQuarterBrightnessKeepingAlpha)
{
    EffectState effects;
    makeFlatState(effects, 0, 0x80FF0307u);
    std::vector<uint32_t> view(320 * 240, 0x12345678u);
    DrawWarpBackground(effects, *effects.textures[0], view.data(), 98765u);
    for (uint32_t pixel : view)
        ASSERT_EQ(pixel, 0x803F0001u); // 0xFF -> 0x3F, 0x03 -> 0x00, 0x07 -> 0x01
}

TEST(WarpBackground, SamplesOnlyTheTopLeftQuarter)
{
    EffectState effects;
    makeFlatState(effects, 0, 0xFF0000FFu);
    CImage& texture = *effects.textures[0];
    for (int row = 0; row < 64; ++row)
        for (int col = 0; col < 64; ++col)
            if (row >= 32 || col >= 32)
                texture.pixels[row * 64 + col] = 0xFFFF0000u;
    std::vector<uint32_t> view(320 * 240);
    for (uint32_t ms : {0u, 31337u, 2147483648u})
        DrawWarpBackground(effects, texture, view.data(), ms);
    for (uint32_t pixel : view)
        ASSERT_EQ(pixel, 0xFF00003Fu);
}

TEST(WarpBackground, MatchesThePlainFormOnEveryTargetAtManyTimesIncludingNegativeSignedClock)
{
    // The whole view, and only what a terrain left above it (columns
    // covered to varied heights, none, all but row 0).
    const EffectState& effects = embeddedEffects();
    std::vector<int32_t> paintedRows(320);
    for (int x = 0; x < 320; ++x)
        paintedRows[x] = x < 16 ? 0 : x >= 304 ? 239 : (x * 7919) % 240;
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    forEachTarget([&](const simd::Target& target) {
        for (int slot : {0, 4, 5}) {
            for (uint32_t ms : sampleTimes()) {
                const CImage& texture = *effects.textures[slot];
                reference::DrawWarpBackground(effects, texture, expected.data(), ms);
                std::fill(view.begin(), view.end(), 0x12345678u);
                DrawWarpBackground(effects, texture, view.data(), ms);
                ASSERT_EQ(view, expected) << target.name << ", slot " << slot << " at " << ms << " ms";

                // Pixels the terrain covers keep what they held.
                for (int y = 0; y < 240; ++y)
                    for (int x = 0; x < 320; ++x)
                        if (paintedRows[x] >= 240 - y)
                            expected[y * 320 + x] = 0x12345678u;
                std::fill(view.begin(), view.end(), 0x12345678u);
                DrawWarpBackgroundAbove(effects, texture, view.data(), ms, paintedRows.data());
                ASSERT_EQ(view, expected) << target.name << " above the terrain, slot " << slot << " at " << ms;
            }
        }
    });
}

TEST(WarpBackground, NegativeSignedClockTruncatesTowardZero)
{
    // -19 ms and +19 ms both give t = 0; -20 ms gives t = -1, unlike 0.
    const EffectState& effects = embeddedEffects();
    std::vector<uint32_t> a(320 * 240), b(320 * 240);
    DrawWarpBackground(effects, *effects.textures[0], a.data(), static_cast<uint32_t>(-19));
    DrawWarpBackground(effects, *effects.textures[0], b.data(), 19u);
    EXPECT_EQ(a, b);
    DrawWarpBackground(effects, *effects.textures[0], a.data(), static_cast<uint32_t>(-20));
    EXPECT_NE(a, b);
}

} // namespace
