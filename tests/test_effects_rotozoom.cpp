#include "effects_reference.h"
#include "tests/support/each_target.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A texture whose every texel names its own row and column.
void labelTexels(CImage& texture)
{
    for (uint32_t row = 0; row < 64; ++row)
        for (uint32_t col = 0; col < 64; ++col)
            texture.pixels[row * 64 + col] = 0xFF000000u | (row << 8) | col;
}

TEST(Rotozoom, FirstPixelsAtTimeZero)
{
    EffectState effects;
    makeFlatState(effects, 0, 0);
    labelTexels(*effects.textures[0]);
    forEachTarget([&](const simd::Target&) {
        std::vector<uint32_t> view(320 * 240, 0x12345678u);
        DrawRotozoom(effects, *effects.textures[0], view.data(), 19); // t = 0: S = 127, C = 254
        EXPECT_EQ(view[0], 0xFF000000u);   // u = 0, v = 0
        EXPECT_EQ(view[1], 0xFF000000u);   // u = 254, v = 127
        EXPECT_EQ(view[2], 0xFF000001u);   // u = 508, v = 254: row 0, column 1
        EXPECT_EQ(view[320], 0xFF00003Fu); // u = -127, v = 254: column 63 by wrap-around
        for (uint32_t pixel : view)
            ASSERT_NE(pixel, 0x12345678u);
    });
}

TEST(Rotozoom, EveryTargetMatchesThePlainFormAtManyTimes)
{
    const EffectState& effects = embeddedEffects();
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    forEachTarget([&](const simd::Target& target) {
        for (int slot : {2, 4}) {
            for (uint32_t ms : sampleTimes()) {
                DrawRotozoom(effects, *effects.textures[slot], view.data(), ms);
                plain::DrawRotozoom(effects, *effects.textures[slot], expected.data(), ms);
                ASSERT_EQ(view, expected) << target.name << ", slot " << slot << " at " << ms << " ms";
            }
        }
    });
}

} // namespace
