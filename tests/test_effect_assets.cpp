// The effect images as the effects receive them: sizes and formats, seamless
// wrapping, a full-range height map and the exact colour ramp.

#include "assets/assets.h"
#include "gfx/image.h"
#include "tests/image_checks.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

TEST(SeamCheck, RejectsAPictureThatDoesNotWrap)
{
    // A colour ramp: every step inside is small, the wrap from the last
    // column back to the first is the whole ramp.
    std::ifstream in(std::string(TEST_DATA_DIR) + "/ramp.png", std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), {}};
    const CImage ramp(file.data(), static_cast<uint32_t>(file.size()));
    ASSERT_EQ(ramp.width, 13);
    EXPECT_FALSE(imagecheck::wrapsSeamlessly(ramp, 0.5));
}

// The frame-type marker of a JPEG file (0xC0 baseline, 0xC2 progressive...)
// and its component count, or -1 when no frame header is found.
int jpegFrameType(const AssetBlob& blob, int& components)
{
    const unsigned char* b = blob.bytes;
    const uint32_t size = blob.fileSize();
    uint32_t at = 2;
    while (at + 4 <= size && b[at] == 0xFF) {
        const int marker = b[at + 1];
        const uint32_t length = uint32_t(b[at + 2]) << 8 | b[at + 3];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
            components = at + 9 < size ? b[at + 9] : -1;
            return marker;
        }
        at += 2 + length;
    }
    return -1;
}

int pngColourType(const AssetBlob& blob) { return blob.bytes[25]; }

TEST(HeightMap, IsABaselineThreeComponentJpegOf256By256)
{
    ASSERT_EQ(assets::heightMap.bytes[0], 0xFF);
    ASSERT_EQ(assets::heightMap.bytes[1], 0xD8);
    int components = 0;
    EXPECT_EQ(jpegFrameType(assets::heightMap, components), 0xC0);
    EXPECT_EQ(components, 3);
    const CImage image(assets::heightMap);
    ASSERT_EQ(image.width, 256);
    ASSERT_EQ(image.height, 256);
}

TEST(HeightMap, IsGreyUsesTheFullRangeAndTiles)
{
    const CImage image(assets::heightMap);
    ASSERT_FALSE(image.empty());
    int lowest = 255, highest = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint32_t p = image.pixel(x, y);
            const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            ASSERT_LE(std::abs(r - b), 3) << "at " << x << "," << y;
            ASSERT_LE(std::abs(g - b), 3) << "at " << x << "," << y;
            lowest = std::min(lowest, b);
            highest = std::max(highest, b);
        }
    EXPECT_LE(lowest, 4);
    EXPECT_GE(highest, 251);
    EXPECT_TRUE(imagecheck::wrapsSeamlessly(image, 1.0));
    // Opposite edges are neighbours: they differ no more than any two
    // neighbouring columns of a smooth cloud.
    EXPECT_LT(imagecheck::columnStep(image, 255, 0), 6.0);
    EXPECT_LT(imagecheck::rowStep(image, 255, 0), 6.0);
}

struct TextureCase {
    const char* name;
    const AssetBlob* blob;
    int colourType; // 2 RGB, 6 RGBA
};

const std::vector<TextureCase> textures = {
    {"texture0", &assets::texture0, 2}, {"texture1", &assets::texture1, 2}, {"texture2", &assets::texture2, 2},
    {"texture3", &assets::texture3, 2}, {"texture4", &assets::texture4, 6}, {"texture5", &assets::texture5, 6},
};

TEST(EffectTextures, Are64By64InTheirSlotFormatsAndTile)
{
    for (const TextureCase& t : textures) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(pngColourType(*t.blob), t.colourType);
        EXPECT_EQ(t.blob->bytes[24], 8) << "8 bits per sample";
        EXPECT_EQ(t.blob->bytes[28], 0) << "not interlaced";
        const CImage image(*t.blob);
        ASSERT_EQ(image.width, 64);
        ASSERT_EQ(image.height, 64);
        EXPECT_TRUE(imagecheck::wrapsSeamlessly(image, 0.5));
    }
}

TEST(EffectTextures, HaveDetailInTheTopLeftQuarterTheWarpSamples)
{
    for (const TextureCase& t : textures) {
        SCOPED_TRACE(t.name);
        const CImage image(*t.blob);
        ASSERT_EQ(image.width, 64);
        EXPECT_GT(imagecheck::spread(image, 0, 0, 32, 32), 12.0);
    }
}

TEST(EffectTextures, AreOpaque)
{
    for (const TextureCase& t : textures) {
        SCOPED_TRACE(t.name);
        const CImage image(*t.blob);
        for (int i = 0; i < image.width * image.height; ++i)
            ASSERT_EQ(image.pixels[i] >> 24, 0xFFu) << "pixel " << i;
    }
}

TEST(PaletteStrip, DecodesToTheThirtyTwoRampColoursInOrder)
{
    static const uint32_t ramp[32] = {
        0x000000, 0x0A0103, 0x140306, 0x1E0509, 0x28070C, 0x32090F, 0x3C0B12, 0x460D15,
        0x500F18, 0x4E1122, 0x4C132C, 0x4A1537, 0x481841, 0x461A4C, 0x441C56, 0x421E60,
        0x40216B, 0x3E2375, 0x3C2580, 0x3A278A, 0x382A94, 0x362C9F, 0x342EA9, 0x3131B4,
        0x3C3CB9, 0x4848BE, 0x5353C4, 0x5F5FC9, 0x6B6BCE, 0x7676D4, 0x8282D9, 0x8E8EDF,
    };
    EXPECT_EQ(pngColourType(assets::paletteStrip), 3);
    const CImage image(assets::paletteStrip);
    ASSERT_EQ(image.width, 32);
    ASSERT_EQ(image.height, 1);
    // Palette index 0 always decodes transparent; the others are opaque.
    EXPECT_EQ(image.pixel(0, 0), 0x00000000u);
    for (int i = 1; i < 32; ++i)
        EXPECT_EQ(image.pixel(i, 0), 0xFF000000u | ramp[i]) << "entry " << i;
}

} // namespace
