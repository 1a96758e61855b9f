#include "effects_reference.h"
#include "support/each_target.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

TEST(SineTable, TellingEntries)
{
    uint8_t table[256];
    BuildSineTable(table);
    EXPECT_EQ(table[0], 127);
    EXPECT_EQ(table[1], 130);
    EXPECT_EQ(table[32], 216);
    for (int i = 60; i <= 63; ++i)
        EXPECT_EQ(table[i], 253) << i;
    EXPECT_EQ(table[64], 254);
    EXPECT_EQ(table[65], 253);
    EXPECT_EQ(table[128], 126); // the float angle lies just past pi
    EXPECT_EQ(table[192], 0);
    EXPECT_EQ(table[255], 123);
    for (int i = 0; i < 256; ++i)
        EXPECT_NE(table[i], 255) << i;
}

TEST(Sequencer, EffectAndTextureFollowTheClock)
{
    FakeKeys keys;
    EXPECT_EQ(ChooseEffect(49999, keys), 4);
    EXPECT_EQ(ChooseEffect(50000, keys), 0);
    EXPECT_EQ(ChooseEffect(19999, keys), 1);
    EXPECT_EQ(ChooseEffect(4294967295u, keys), 429496 % 5); // unsigned: no negative effect
    EXPECT_EQ(ChooseTexture(59999), 5);
    EXPECT_EQ(ChooseTexture(60000), 0);
    EXPECT_EQ(ChooseTexture(4294967295u), 429496 % 6);
}

TEST(Sequencer, HeldDigitsForceTheEffectAndTheHighestWins)
{
    FakeKeys keys;
    keys.down[1] = keys.down[4] = true;
    EXPECT_EQ(ChooseEffect(49999, keys), 3);
    keys.down[1] = keys.down[4] = false;
    keys.down[5] = true;
    EXPECT_EQ(ChooseEffect(0, keys), 4);
    keys.down[0] = keys.down[6] = keys.down[9] = true; // not effect keys
    keys.down[5] = false;
    EXPECT_EQ(ChooseEffect(10000, keys), 1);
}

// Keys that count how often they are asked, one snapshot or one digit.
class CountingKeys : public platform::KeyState {
public:
    uint32_t held = 0;
    int snapshots = 0;
    int questions = 0;
    bool isDigitDown(int digit) override
    {
        ++questions;
        return (held >> digit & 1u) != 0;
    }
    uint32_t digitsDown() override
    {
        ++snapshots;
        return held;
    }
};

TEST(Sequencer, OneKeySnapshotAnswersAsTheFiveQuestionsDid)
{
    for (uint32_t held = 0; held < 1024; ++held) {
        CountingKeys keys;
        keys.held = held;
        int expected = static_cast<int>((30000u / 10000u) % 5); // the clock's choice
        for (int i = 0; i < 5; ++i) // the five questions, in order
            if ((held >> (1 + i) & 1u) != 0)
                expected = i;
        EXPECT_EQ(ChooseEffect(30000, keys), expected) << held;
        EXPECT_EQ(keys.snapshots, 1);
        EXPECT_EQ(keys.questions, 0);
    }
    // The default snapshot, for backends without one of their own, asks each digit.
    FakeKeys keys;
    keys.down[0] = keys.down[3] = keys.down[9] = true;
    EXPECT_EQ(static_cast<platform::KeyState&>(keys).digitsDown(), 0x209u);
}

// Hands out a fixed sequence of readings and counts them.
class SequenceClock : public platform::Clock {
public:
    explicit SequenceClock(std::vector<uint32_t> readings) : readings_(std::move(readings)) {}
    uint32_t milliseconds() override { return readings_.at(next_++); }
    size_t used() const { return next_; }

private:
    std::vector<uint32_t> readings_;
    size_t next_ = 0;
};

TEST(Sequencer, EachReadingServesItsOwnStep)
{
    EffectState& effects = embeddedEffects();
    // Effect from the first reading (0 ms: effect 0), texture from the second
    // (10 s: slot 1), then one reading per pass.
    SequenceClock clock({0u, 10000u, 777u, 555u});
    FakeKeys keys;
    std::vector<uint32_t> view(320 * 240, 0xDEADBEEFu), expected(320 * 240, 0xDEADBEEFu);
    RunEffect(effects, view.data(), clock, keys);
    EXPECT_EQ(clock.used(), 4u);
    DrawWarpBackground(effects, *effects.textures[1], expected.data(), 777u);
    DrawTwister(effects, *effects.textures[1], expected.data(), 555u);
    EXPECT_EQ(view, expected);
}

TEST(Sequencer, TerrainOverTheWarpMatchesThePlainOrderAtManyTimes)
{
    // However the pass orders its drawing, the frame is the background at
    // the first pass reading with the terrain at the second over it.
    EffectState& effects = embeddedEffects();
    FakeKeys keys;
    keys.down[3] = true;
    std::vector<uint32_t> view(320 * 240), expected(320 * 240);
    forEachTarget([&](const simd::Target& target) {
        for (uint32_t ms : sampleTimes()) {
            const uint32_t warpMs = ms, terrainMs = ms + 12345u;
            SequenceClock clock({ms, ms, warpMs, terrainMs});
            std::fill(view.begin(), view.end(), 0xDEADBEEFu);
            RunEffect(effects, view.data(), clock, keys);
            ASSERT_EQ(clock.used(), 4u);
            const CImage& texture = *effects.textures[ChooseTexture(ms)];
            reference::DrawWarpBackground(effects, texture, expected.data(), warpMs);
            reference::DrawVoxelTerrain(effects, texture, expected.data(), terrainMs);
            ASSERT_EQ(view, expected) << target.name << " at " << ms << " ms";
        }
    });
}

TEST(Sequencer, JuliaIgnoresTheTextureSlot)
{
    EffectState& effects = embeddedEffects();
    FakeKeys keys;
    keys.down[5] = true;
    std::vector<uint32_t> first(320 * 240), second(320 * 240);
    SequenceClock clockA({0u, 0u, 1000u});
    SequenceClock clockB({0u, 30000u, 1000u});
    RunEffect(effects, first.data(), clockA, keys);
    RunEffect(effects, second.data(), clockB, keys);
    EXPECT_EQ(first, second);
    EXPECT_EQ(clockA.used(), 3u);
}

TEST(Sequencer, EmbeddedImagesHaveTheirSizes)
{
    EffectState effects;
    ASSERT_TRUE(InitEffects(effects));
    EXPECT_EQ(effects.heightMap->width, 256);
    EXPECT_EQ(effects.heightMap->height, 256);
    for (const auto& texture : effects.textures) {
        EXPECT_EQ(texture->width, 64);
        EXPECT_EQ(texture->height, 64);
    }
    EXPECT_EQ(effects.paletteStrip->width, 32);
    EXPECT_EQ(effects.paletteStrip->height, 1);
    EXPECT_EQ(effects.sineTable[128], 126);
}

TEST(Sequencer, AMissingOrMisshapenImageIsReportedByName)
{
    CImage empty(nullptr, 0);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CheckEffectImage(empty, "texture3", 64, 64));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("texture3"), std::string::npos);

    auto wide = makeImage(65, 64);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(CheckEffectImage(*wide, "texture0", 64, 64));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("65x64, expected 64x64"), std::string::npos);

    auto right = makeImage(32, 1);
    EXPECT_TRUE(CheckEffectImage(*right, "paletteStrip", 32, 1));
}

} // namespace
