#include "display/window_outline.h"

#include "assets/assets.h"
#include "gfx/frame.h"

#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

namespace {

std::vector<uint8_t> maskOf(const AssetBlob& blob, bool& sound)
{
    std::vector<uint8_t> mask(kWindowWidth * kWindowHeight, 7);
    sound = buildWindowMask(blob, mask.data(), kWindowWidth, kWindowHeight);
    return mask;
}

bool shown(const std::vector<uint8_t>& mask, int x, int y) { return mask[y * kWindowWidth + x] != 0; }

// Region data with the given rectangles, a trailing zero byte as in a blob.
std::vector<uint8_t> regionData(const std::vector<std::array<int32_t, 4>>& rects, uint32_t claimedCount)
{
    std::vector<uint8_t> bytes;
    auto put = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(v >> (8 * i)));
    };
    put(32), put(1), put(claimedCount), put(claimedCount * 16);
    put(0), put(0), put(336), put(443);
    for (const auto& r : rects)
        for (int32_t v : r)
            put(uint32_t(v));
    bytes.push_back(0);
    return bytes;
}

TEST(WindowOutline, TheEmbeddedOutlineRoundsTheCornersAndHidesTheLastColumn)
{
    bool sound = false;
    const auto mask = maskOf(assets::windowShape, sound);
    ASSERT_TRUE(sound);
    EXPECT_FALSE(shown(mask, 0, 0));
    EXPECT_FALSE(shown(mask, 4, 0));
    EXPECT_TRUE(shown(mask, 5, 0));
    EXPECT_FALSE(shown(mask, 0, 4));
    EXPECT_TRUE(shown(mask, 0, 5));
    EXPECT_TRUE(shown(mask, 1, 3));
    EXPECT_FALSE(shown(mask, 0, 442));
    EXPECT_TRUE(shown(mask, 5, 442));
    EXPECT_FALSE(shown(mask, 332, 0));
    EXPECT_TRUE(shown(mask, 335, 200));
    for (int y = 0; y < kWindowHeight; ++y)
        EXPECT_FALSE(shown(mask, 336, y)) << y;
    // The nine rectangles cover this many pixels in all.
    const int areas = 327 + 331 + 333 + 2 * 335 + 433 * 336 + 2 * 335 + 333 + 331 + 327;
    EXPECT_EQ(std::accumulate(mask.begin(), mask.end(), 0), areas);
}

TEST(WindowOutline, RectanglesReachingPastTheWindowAreCut)
{
    const auto bytes = regionData({{-10, -10, 3, 2}, {330, 440, 1000, 1000}}, 2);
    const AssetBlob blob{bytes.data(), uint32_t(bytes.size())};
    bool sound = false;
    const auto mask = maskOf(blob, sound);
    ASSERT_TRUE(sound);
    EXPECT_EQ(std::accumulate(mask.begin(), mask.end(), 0), 3 * 2 + 7 * 3);
    EXPECT_TRUE(shown(mask, 0, 0));
    EXPECT_TRUE(shown(mask, 336, 442));
}

TEST(WindowOutline, MalformedDataLeavesThePlainRectangle)
{
    auto claimsMore = regionData({{0, 0, 10, 10}}, 2); // the list is shorter than claimed
    auto badType = regionData({{0, 0, 10, 10}}, 1);
    badType[4] = 2;
    std::vector<uint8_t> truncated(20, 0);
    for (const auto* bytes : {&claimsMore, &badType, &truncated}) {
        const AssetBlob blob{bytes->data(), uint32_t(bytes->size())};
        bool sound = true;
        const auto mask = maskOf(blob, sound);
        EXPECT_FALSE(sound);
        EXPECT_EQ(std::accumulate(mask.begin(), mask.end(), 0), kWindowWidth * kWindowHeight);
    }
}

} // namespace
