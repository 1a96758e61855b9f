#include "effects_reference.h"
#include "support/each_target.h"

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

TEST(Twister, MatchesThePlainFormOnEveryTargetAtManyTimes)
{
    // The embedded images, and a height map whose rows run through every
    // height so that each step meets each of them over the frames.
    EffectState diagonal;
    makeFlatState(diagonal, 0, 0);
    for (int row = 0; row < 256; ++row)
        for (int col = 0; col < 256; ++col)
            diagonal.heightMap->pixels[row * 256 + col] = 0xABCDEF00u | static_cast<uint32_t>((row + col * 7) & 255);
    for (int i = 0; i < 64 * 64; ++i)
        diagonal.textures[0]->pixels[i] = static_cast<uint32_t>(i) * 40503u;
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    forEachTarget([&](const simd::Target& target) {
        for (const auto& [effects, slot] : {std::pair{&embeddedEffects(), 0}, {&embeddedEffects(), 5}, {&diagonal, 0}}) {
            const CImage& texture = *effects->textures[slot];
            for (uint32_t ms : sampleTimes()) {
                for (size_t i = 0; i < view.size(); ++i)
                    expected[i] = view[i] = static_cast<uint32_t>(i * 2654435761u);
                reference::DrawTwister(*effects, texture, expected.data(), ms);
                DrawTwister(*effects, texture, view.data(), ms);
                ASSERT_EQ(view, expected) << target.name << ", slot " << slot << " at " << ms << " ms";
            }
        }
    });
}

} // namespace
