#include "effects_reference.h"
#include "tests/support/each_target.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kCentrePoint = 30 * 81 + 40;

TEST(Tunnel, AGridPointWithoutAHitKeepsItsOldValues)
{
    // At 0 ms the camera sits on the axis looking along it: the centre ray
    // has no sideways direction (dx = dy = 0), so disc = 0 and it misses.
    forEachTarget([](const simd::Target& target) {
        TunnelGrid grid;
        for (int i = 0; i < 81 * 61; ++i) {
            grid.u[i] = 1000 + i;
            grid.v[i] = -1;
        }
        CastTunnelRays(grid, 0);
        EXPECT_EQ(grid.u[kCentrePoint], 1000 + kCentrePoint) << target.name;
        EXPECT_EQ(grid.v[kCentrePoint], -1) << target.name;
        for (int i = 0; i < 81 * 61; ++i) {
            if (i == kCentrePoint)
                continue;
            ASSERT_GE(grid.v[i], 64) << target.name << ", point " << i; // freshly cast: 64..190
            ASSERT_LE(grid.v[i], 190) << target.name << ", point " << i;
        }
    });
}

TEST(Tunnel, FreshGridMissesShowTexelZero)
{
    EffectState effects;
    makeFlatState(effects, 0, 0xFF000000u);
    effects.textures[0]->pixels[0] = 0xFFFFFFFFu;
    std::vector<uint32_t> view(320 * 240);
    DrawTunnel(effects.tunnel, *effects.textures[0], view.data(), 0);
    EXPECT_EQ(effects.tunnel.u[kCentrePoint], 0);
    EXPECT_EQ(effects.tunnel.v[kCentrePoint], 0);
}

TEST(Tunnel, WritesEveryPixel)
{
    EffectState effects;
    makeFlatState(effects, 0, 0xFF808080u);
    for (uint32_t ms : {0u, 123456u, 4294967295u}) {
        std::vector<uint32_t> view(320 * 240, 0x00000001u);
        DrawTunnel(effects.tunnel, *effects.textures[0], view.data(), ms);
        for (uint32_t pixel : view)
            ASSERT_EQ(pixel, 0xFF808080u);
    }
}

// The texture row shown at each pixel of one cell, with texels naming rows.
std::vector<int> cellRows(const TunnelGrid& grid, int r, int c)
{
    auto texture = makeImage(64, 64);
    for (uint32_t i = 0; i < 64 * 64; ++i)
        texture->pixels[i] = i / 64;
    std::vector<uint32_t> view(320 * 240);
    FillTunnelCells(grid, *texture, view.data());
    std::vector<uint32_t> expected(320 * 240);
    plain::FillTunnelCells(grid, *texture, expected.data());
    EXPECT_EQ(view, expected);
    std::vector<int> rows;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            rows.push_back(static_cast<int>(view[(4 * r + j) * 320 + 4 * c + i]));
    return rows;
}

TEST(Tunnel, SeamRepairKeepsTheWrapOfTheArcTangentSharp)
{
    // Across the wrap V jumps from about 190 to 64. Unrepaired, the cell would
    // sweep through half the texture; repaired, it moves a few rows only.
    TunnelGrid grid;
    auto setV = [&](int r, int c, int32_t v) { grid.v[r * 81 + c] = v; };
    setV(0, 0, 64), setV(0, 1, 190), setV(1, 0, 64), setV(1, 1, 190); // horizontal seam
    setV(5, 10, 190), setV(5, 11, 190), setV(6, 10, 64), setV(6, 11, 64); // vertical seam
    for (int row : cellRows(grid, 0, 0))
        EXPECT_TRUE(row == 62 || row == 63 || row == 0) << row;
    EXPECT_EQ(cellRows(grid, 0, 0)[0], 0); // 64 lifted to 192: row 0
    for (int row : cellRows(grid, 5, 10))
        EXPECT_TRUE(row == 62 || row == 63 || row == 0) << row;
}

TEST(Tunnel, MatchesThePlainFillAtManyTimes)
{
    EffectState& effects = embeddedEffects();
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    TunnelGrid grid;
    for (uint32_t ms : sampleTimes()) {
        DrawTunnel(grid, *effects.textures[0], view.data(), ms);
        plain::FillTunnelCells(grid, *effects.textures[0], expected.data());
        ASSERT_EQ(view, expected) << ms << " ms";
    }
}

TEST(Tunnel, EveryTargetMatchesThePlainFillOnAnyGrid)
{
    // Cast grids, and grids of arbitrary 32-bit values (wrapping steps,
    // seams everywhere), through each vector target the processor has.
    const CImage& texture = *embeddedEffects().textures[2];
    std::vector<TunnelGrid> grids(6);
    uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (size_t g = 0; g < grids.size(); ++g) {
        if (g < 3) {
            plain::CastTunnelRays(grids[g], 7000u + 31337u * static_cast<uint32_t>(g));
            continue;
        }
        for (int i = 0; i < 81 * 61; ++i) {
            // Small jumps around the seam in one grid, any value in the others.
            grids[g].u[i] = static_cast<int32_t>(g == 3 ? next() % 300 : next());
            grids[g].v[i] = static_cast<int32_t>(g == 3 ? 50 + next() % 160 : next());
        }
    }
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    forEachTarget([&](const simd::Target& target) {
        for (const TunnelGrid& grid : grids) {
            plain::FillTunnelCells(grid, texture, expected.data());
            FillTunnelCells(grid, texture, view.data());
            ASSERT_EQ(view, expected) << target.name << ", grid " << &grid - grids.data();
        }
    });
}

TEST(Tunnel, EveryTargetCastsThePlainRaysAtManyTimes)
{
    // Each target in turn on one grid, so each also meets the points the
    // others (and the plain form) left where their rays missed.
    TunnelGrid grid, expected;
    for (int i = 0; i < 81 * 61; ++i)
        grid.u[i] = expected.u[i] = grid.v[i] = expected.v[i] = 7 * i - 5000;
    std::vector<uint32_t> times = sampleTimes();
    for (uint32_t ms = 0; ms < 400000; ms += 997)
        times.push_back(ms);
    forEachTarget([&](const simd::Target& target) {
        for (uint32_t ms : times) {
            CastTunnelRays(grid, ms);
            plain::CastTunnelRays(expected, ms);
            for (int i = 0; i < 81 * 61; ++i) {
                ASSERT_EQ(grid.u[i], expected.u[i]) << target.name << ", point " << i << " at " << ms << " ms";
                ASSERT_EQ(grid.v[i], expected.v[i]) << target.name << ", point " << i << " at " << ms << " ms";
            }
        }
    });
}

TEST(Tunnel, FreshFramesAreTheSameEveryTime)
{
    // The same clock reading on a fresh grid gives the same picture.
    EffectState& effects = embeddedEffects();
    std::vector<uint32_t> first(320 * 240), second(320 * 240);
    TunnelGrid a, b;
    DrawTunnel(a, *effects.textures[1], first.data(), 424242u);
    DrawTunnel(b, *effects.textures[1], second.data(), 999u);
    DrawTunnel(b, *effects.textures[1], second.data(), 424242u);
    EXPECT_EQ(first, second);
}

} // namespace
