#include "effects_reference.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

constexpr uint32_t kBackground = 0x11223344u;
constexpr uint32_t kTexel = 0xFFABCDEFu;

// The columns that changed in a row painted over a known background.
std::pair<int, int> drawnSpan(const std::vector<uint32_t>& view, int y)
{
    int first = -1, last = -1;
    for (int x = 0; x < 320; ++x) {
        if (view[y * 320 + x] != kBackground) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return {first, last};
}

void expectSpanInEveryRow(uint32_t height, int left, int right)
{
    EffectState effects;
    makeFlatState(effects, height, kTexel);
    for (uint32_t ms : {0u, 4567u, 99999999u}) {
        std::vector<uint32_t> view(320 * 240, kBackground);
        DrawTwister(effects, *effects.textures[0], view.data(), ms);
        for (int y = 0; y < 240; ++y) {
            ASSERT_EQ(drawnSpan(view, y), std::make_pair(left, right)) << "row " << y << " at " << ms;
            for (int x = left; x <= right; ++x)
                ASSERT_EQ(view[y * 320 + x], kTexel);
        }
    }
}

TEST(Twister, LowestTerrainGivesAColumnFrom128To192)
{
    expectSpanInEveryRow(0, 128, 192);
}

TEST(Twister, HighestTerrainReaches65And255)
{
    expectSpanInEveryRow(255, 65, 255);
}

TEST(Twister, OnlyTheHighByteIsIgnoredInHeights)
{
    expectSpanInEveryRow(0xFFFFFF00u, 128, 192); // the low byte is the height
}

TEST(Twister, CentrePixelComesFromStep128)
{
    // With texel column = its index, pixel 160 shows step k = 128, the last
    // right run drawn (at t = 0, row 0: c = 32, so texel (32 + 128) mod 64).
    EffectState effects;
    makeFlatState(effects, 0, 0);
    for (int col = 0; col < 64; ++col)
        effects.textures[0]->pixels[col] = static_cast<uint32_t>(col);
    std::vector<uint32_t> view(320 * 240, kBackground);
    DrawTwister(effects, *effects.textures[0], view.data(), 0);
    EXPECT_EQ(view[160], (32u + 128u) % 64u);
    // Pixel 159 shows the last left run that reaches it: k = 126 (w = 1);
    // k = 127 is too short (w = 0).
    EXPECT_EQ(view[159], (32u + 126u) % 64u);
}

TEST(Twister, UsesEachImagesOwnSizeForTheWrap)
{
    // Other sizes than the supplied 256 and 64: rows and steps wrap at the
    // images' own widths and heights.
    EffectState effects;
    makeFlatState(effects, 0, 0);
    effects.heightMap = makeImage(100, 90);
    auto texture = makeImage(48, 40);
    uint32_t seed = 7u;
    for (int i = 0; i < 100 * 90; ++i)
        effects.heightMap->pixels[i] = (seed = seed * 1664525u + 1013904223u) >> 8;
    for (int i = 0; i < 48 * 40; ++i)
        texture->pixels[i] = seed = seed * 1664525u + 1013904223u;
    std::vector<uint32_t> view(320 * 240, kBackground), expected(320 * 240, kBackground);
    for (uint32_t ms : {0u, 8765u, 3000000000u}) {
        DrawTwister(effects, *texture, view.data(), ms);
        reference::DrawTwister(effects, *texture, expected.data(), ms);
        ASSERT_EQ(view, expected) << ms << " ms";
    }
}

TEST(Twister, MatchesThePlainFormAtManyTimes)
{
    // Every way of drawing it this processor has: the one picked, the run
    // tables, and AVX-512 where present.
    const EffectState& effects = embeddedEffects();
    using Draw = void (*)(const EffectState&, const CImage&, uint32_t*, uint32_t);
    std::vector<std::pair<const char*, Draw>> paths = {{"picked", DrawTwister}, {"scalar", DrawTwisterScalar}};
    if (TwisterCanUseAvx512(effects, *effects.textures[0]))
        paths.emplace_back("AVX-512", DrawTwisterAvx512);
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    for (int slot : {1, 5}) {
        for (uint32_t ms : sampleTimes()) {
            for (size_t i = 0; i < view.size(); ++i)
                expected[i] = static_cast<uint32_t>(i * 2654435761u);
            reference::DrawTwister(effects, *effects.textures[slot], expected.data(), ms);
            for (const auto& [name, draw] : paths) {
                for (size_t i = 0; i < view.size(); ++i)
                    view[i] = static_cast<uint32_t>(i * 2654435761u);
                draw(effects, *effects.textures[slot], view.data(), ms);
                ASSERT_EQ(view, expected) << name << ", slot " << slot << " at " << ms << " ms";
            }
        }
    }
}

} // namespace
