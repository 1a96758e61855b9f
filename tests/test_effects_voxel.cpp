#include "effects_reference.h"
#include "support/each_target.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint32_t kBackground = 0x11223344u;

TEST(VoxelTerrain, FlatGroundFillsTheBottomEightyRowsOnlyOnEveryTarget)
{
    EffectState effects;
    makeFlatState(effects, 0, 0xFF00FF00u);
    forEachTarget([&](const simd::Target& target) {
        for (uint32_t ms : {0u, 12345u, 4294967295u}) {
            std::vector<uint32_t> view(320 * 240, kBackground);
            std::vector<int32_t> paintedRows(320, -1);
            DrawVoxelTerrainCounting(effects, *effects.textures[0], view.data(), ms, paintedRows.data());
            for (int y = 0; y < 240; ++y)
                for (int x = 0; x < 320; ++x)
                    ASSERT_EQ(view[y * 320 + x], y >= 160 ? 0xFF00FF00u : kBackground) << target.name << " " << x << "," << y;
            EXPECT_EQ(paintedRows, std::vector<int32_t>(320, 80)) << target.name;
        }
    });
}

TEST(VoxelTerrain, TowersNeverReachRowZero)
{
    // At 0 ms the camera stands exactly on cell (128, 160): make that one
    // cell a pit and everything else as high as it goes. The terrain then
    // towers over the camera and every column is clamped at row 1.
    EffectState effects;
    makeFlatState(effects, 255, 0xFF0000FFu);
    effects.heightMap->pixels[160 * 256 + 128] = 0;
    std::vector<uint32_t> expected(320 * 240, kBackground);
    reference::DrawVoxelTerrain(effects, *effects.textures[0], expected.data(), 0);
    for (int x = 0; x < 320; ++x) {
        EXPECT_EQ(expected[x], kBackground) << x;
        EXPECT_EQ(expected[320 + x], 0xFF0000FFu) << x;
    }
    forEachTarget([&](const simd::Target& target) {
        std::vector<uint32_t> view(320 * 240, kBackground);
        DrawVoxelTerrain(effects, *effects.textures[0], view.data(), 0);
        EXPECT_EQ(view, expected) << target.name;
    });
}

TEST(SampleHeight, ExactCellsAndInterpolation)
{
    auto map = makeImage(256, 256, 0);
    map->pixels[10 * 256 + 20] = 0xFFFFFF00u | 200; // only the low byte counts
    map->pixels[10 * 256 + 21] = 255;
    map->pixels[11 * 256 + 20] = 100;
    EXPECT_EQ(SampleHeight(*map, 20 << 8, 10 << 8), 200);
    EXPECT_EQ(SampleHeight(*map, 21 << 8, 10 << 8), 255);
    // Half-way from 0 (cell 19) to 200 (cell 20), and from 0 to 255.
    map->pixels[10 * 256 + 20] = 0;
    EXPECT_EQ(SampleHeight(*map, (20 << 8) + 128, 10 << 8), 127);
    // A falling slope: 255 -> 0 at fx = 1 gives 255 + trunc(-255 / 256) = 255,
    // where flooring would give 254.
    EXPECT_EQ(SampleHeight(*map, (21 << 8) + 1, 10 << 8), 255);
    // Falling in y: 100 -> 0 at fy = 129 gives 100 + trunc(-12900 / 256) = 50
    // (flooring would give 49).
    EXPECT_EQ(SampleHeight(*map, 20 << 8, (11 << 8) + 129), 50);
    // The map repeats every 256 cells, also below zero (arithmetic shift).
    EXPECT_EQ(SampleHeight(*map, (21 - 256) << 8, (10 + 512) << 8), 255);
}

TEST(SampleHeight, MatchesThePlainFormEverywhereOnTheEmbeddedMap)
{
    const CImage& map = *embeddedEffects().heightMap;
    for (int32_t y = -70000; y < 70000; y += 97)
        for (int32_t x = 0; x < 70000; x += 89)
            ASSERT_EQ(SampleHeight(map, x, y), reference::SampleHeight(map, x, y)) << x << "," << y;
}

TEST(VoxelTerrain, SinglePrecisionDivisionTruncatesLikeIntegerDivision)
{
    // The projection divides in single precision; over the whole range its
    // numerators can take (|n| < 2^15) the truncated float quotient must be
    // the integer one for every depth.
    for (int32_t z = 1; z <= 253; z += 4) {
        const float depth = static_cast<float>(z);
        for (int32_t n = -32768; n <= 32768; ++n)
            ASSERT_EQ(static_cast<int32_t>(static_cast<float>(n) / depth), n / z) << n << " / " << z;
    }
}

TEST(VoxelTerrain, MatchesThePlainFormOnEveryTargetAtManyTimes)
{
    const EffectState& effects = embeddedEffects();
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    std::vector<int32_t> paintedRows(320), expectedRows(320);
    forEachTarget([&](const simd::Target& target) {
        for (uint32_t ms : sampleTimes()) {
            std::fill(expected.begin(), expected.end(), kBackground);
            reference::DrawVoxelTerrain(effects, *effects.textures[3], expected.data(), ms, expectedRows.data());
            std::fill(view.begin(), view.end(), kBackground);
            DrawVoxelTerrainCounting(effects, *effects.textures[3], view.data(), ms, paintedRows.data());
            ASSERT_EQ(view, expected) << target.name << " at " << ms << " ms";
            ASSERT_EQ(paintedRows, expectedRows) << target.name << " at " << ms << " ms";
        }
    });
}

} // namespace
