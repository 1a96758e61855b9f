#include "assets/assets.h"
#include "gfx/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

namespace {

using Named = std::pair<const char*, const AssetBlob*>;

const std::vector<Named> images = {
    {"skinNormal", &assets::skinNormal},   {"hitMap", &assets::hitMap},
    {"skinHover", &assets::skinHover},     {"skinActive", &assets::skinActive},
    {"volumeKnob", &assets::volumeKnob},   {"smallFontSheet", &assets::smallFontSheet},
    {"largeFontSheet", &assets::largeFontSheet}, {"texture0", &assets::texture0},
    {"texture1", &assets::texture1},       {"texture2", &assets::texture2},
    {"texture3", &assets::texture3},       {"texture4", &assets::texture4},
    {"texture5", &assets::texture5},       {"paletteStrip", &assets::paletteStrip},
    {"windowIcon", &assets::windowIcon},
};

const std::vector<Named> texts = {
    {"infoText01", &assets::infoText01}, {"infoText02", &assets::infoText02}, {"infoText03", &assets::infoText03},
    {"infoText04", &assets::infoText04}, {"infoText05", &assets::infoText05}, {"infoText06", &assets::infoText06},
    {"infoText07", &assets::infoText07}, {"infoText08", &assets::infoText08}, {"infoText09", &assets::infoText09},
    {"infoText10", &assets::infoText10}, {"infoText11", &assets::infoText11}, {"infoText12", &assets::infoText12},
    {"infoText13", &assets::infoText13}, {"infoText14", &assets::infoText14}, {"infoText15", &assets::infoText15},
    {"smallFontDescriptor", &assets::smallFontDescriptor},
    {"largeFontDescriptor", &assets::largeFontDescriptor},
};

uint32_t read32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

std::vector<Named> allBlobs()
{
    std::vector<Named> all = images;
    all.insert(all.end(), texts.begin(), texts.end());
    all.push_back({"windowShape", &assets::windowShape});
    all.push_back({"heightMap", &assets::heightMap});
    return all;
}

TEST(AssetBlobs, EndWithZeroFollowedByTheirCount)
{
    for (const auto& [name, blob] : allBlobs()) {
        SCOPED_TRACE(name);
        ASSERT_GE(blob->count, 1u);
        EXPECT_EQ(blob->bytes[blob->count - 1], 0);
        EXPECT_EQ(read32(blob->bytes + blob->count), blob->count) << "count stored right after the zero byte";
    }
}

TEST(AssetBlobs, PngFilesEndWithTheirEndChunkRightBeforeTheZero)
{
    static const unsigned char iend[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    for (const auto& [name, blob] : images) {
        SCOPED_TRACE(name);
        ASSERT_GT(blob->count, sizeof iend);
        EXPECT_EQ(std::memcmp(blob->bytes + blob->count - 1 - sizeof iend, iend, sizeof iend), 0);
    }
}

TEST(AssetBlobs, TextsAreCStringsOfCountMinusOneCharacters)
{
    for (const auto& [name, blob] : texts) {
        SCOPED_TRACE(name);
        EXPECT_EQ(std::strlen(blob->text()), blob->count - 1);
    }
}

TEST(AssetBlobs, EveryImageDecodes)
{
    for (const auto& [name, blob] : images) {
        SCOPED_TRACE(name);
        CImage image(*blob);
        EXPECT_FALSE(image.empty());
    }
    CImage heightMap(assets::heightMap);
    EXPECT_EQ(heightMap.width, 256);
    EXPECT_EQ(heightMap.height, 256);
}

TEST(WindowShape, HeaderAndRectanglesDescribeTheOutline)
{
    const AssetBlob& shape = assets::windowShape;
    ASSERT_EQ(shape.count, 177u);
    const unsigned char* p = shape.bytes;
    EXPECT_EQ(read32(p + 0), 32u);  // header size
    EXPECT_EQ(read32(p + 4), 1u);   // rectangles
    EXPECT_EQ(read32(p + 8), 9u);   // how many
    EXPECT_EQ(read32(p + 12), 144u);
    EXPECT_EQ(read32(p + 0) + read32(p + 12), shape.count - 1);
    const uint32_t bounds[4] = {0, 0, 336, 443};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(read32(p + 16 + 4 * i), bounds[i]);

    const uint32_t rects[9][4] = {
        {5, 0, 332, 1},     {3, 1, 334, 2},     {2, 2, 335, 3},
        {1, 3, 336, 5},     {0, 5, 336, 438},   {1, 438, 336, 440},
        {2, 440, 335, 441}, {3, 441, 334, 442}, {5, 442, 332, 443},
    };
    for (int r = 0; r < 9; ++r)
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(read32(p + 32 + 16 * r + 4 * i), rects[r][i]) << "rectangle " << r;
}

} // namespace
