#include "gfx/image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> readFixture(const std::string& name)
{
    std::ifstream in(std::string(TEST_DATA_DIR) + "/" + name, std::ios::binary);
    EXPECT_TRUE(in.good()) << name;
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<CImage> decode(const std::vector<uint8_t>& bytes)
{
    return std::make_unique<CImage>(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void expectEmpty(const CImage& image)
{
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.pixels, nullptr);
}

TEST(PaletteImage, IndexZeroIsTransparentAndTheRestOpaque)
{
    auto image = decode(readFixture("palette.png"));
    ASSERT_EQ(image->width, 6);
    ASSERT_EQ(image->height, 1);
    EXPECT_EQ(image->bufferWidth, 6);
    EXPECT_EQ(image->pixels[0], 0x000A141Eu); // the colour of index 0, alpha 0
    EXPECT_EQ(image->pixels[1], 0xFFC80000u);
    EXPECT_EQ(image->pixels[4], 0xFF112233u);
    EXPECT_EQ(image->pixels[5], 0xFFFAF0E6u);
}

TEST(PaletteImage, TransparencyChunkIsIgnored)
{
    auto image = decode(readFixture("palette_trns5.png"));
    ASSERT_EQ(image->width, 6);
    EXPECT_EQ(image->pixels[0] >> 24, 0u) << "index 0 stays transparent";
    EXPECT_EQ(image->pixels[5], 0xFFFAF0E6u) << "index 5 stays opaque";
}

TEST(RgbImage, OpaqueWithChannelsInPlace)
{
    auto image = decode(readFixture("rgb.png"));
    ASSERT_EQ(image->width, 3);
    ASSERT_EQ(image->height, 2);
    EXPECT_EQ(image->pixels[0], 0xFF112233u);
    const uint8_t inMemory[4] = {0x33, 0x22, 0x11, 0xFF};
    EXPECT_EQ(std::memcmp(image->pixels, inMemory, 4), 0);
    EXPECT_EQ(image->pixel(0, 1), 0xFF0000FFu) << "second row, first column";
    EXPECT_EQ(image->pixel(2, 1), 0xFF010203u);
}

TEST(RgbImage, SixteenBitChannelsKeepTheirHighByte)
{
    auto image = decode(readFixture("rgb16.png"));
    ASSERT_EQ(image->width, 2);
    ASSERT_EQ(image->height, 1);
    EXPECT_EQ(image->pixels[0], 0xFF12ABFFu);
    EXPECT_EQ(image->pixels[1], 0xFF0080FFu);
}

TEST(RgbaImage, KeepsItsAlpha)
{
    auto image = decode(readFixture("rgba.png"));
    ASSERT_EQ(image->width, 3);
    EXPECT_EQ(image->pixels[0], 0x00112233u);
    EXPECT_EQ(image->pixels[1], 0x40FF0000u);
    EXPECT_EQ(image->pixels[2], 0x8000FF00u);
    EXPECT_EQ(image->pixels[5], 0x07010203u);
}

TEST(InterlacedImage, MatchesItsNonInterlacedTwin)
{
    auto plain = decode(readFixture("ramp.png"));
    auto interlaced = decode(readFixture("ramp_interlaced.png"));
    ASSERT_EQ(plain->width, 13);
    ASSERT_EQ(interlaced->width, 13);
    ASSERT_EQ(interlaced->height, 11);
    EXPECT_EQ(std::memcmp(plain->pixels, interlaced->pixels, 13 * 11 * 4), 0);
    EXPECT_EQ(plain->pixel(12, 10), 0xFF000000u | (12 * 19) << 16 | (10 * 23) << 8 | ((12 * 7 + 10 * 11) % 256));
}

TEST(GreyImages, GreyBecomesGreyRgbAndGreyAlphaStaysZero)
{
    auto grey = decode(readFixture("grey.png"));
    ASSERT_EQ(grey->width, 3);
    EXPECT_EQ(grey->pixels[0], 0xFF000000u);
    EXPECT_EQ(grey->pixels[1], 0xFF808080u);
    EXPECT_EQ(grey->pixels[2], 0xFFFFFFFFu);

    auto greyAlpha = decode(readFixture("grey_alpha.png"));
    ASSERT_EQ(greyAlpha->width, 3);
    ASSERT_EQ(greyAlpha->height, 1);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(greyAlpha->pixels[i], 0u);
}

TEST(JpegImage, OpaqueAndTopRowFirst)
{
    auto image = decode(readFixture("top_white.jpg"));
    ASSERT_EQ(image->width, 16);
    ASSERT_EQ(image->height, 16);
    for (int i = 0; i < 16 * 16; ++i)
        ASSERT_EQ(image->pixels[i] >> 24, 0xFFu) << "pixel " << i;
    EXPECT_GT(image->pixel(8, 0) & 0xFF, 240u) << "top row white";
    EXPECT_LT(image->pixel(8, 15) & 0xFF, 15u) << "bottom row black";
}

TEST(BrokenFiles, GiveEmptyImagesWithoutCrashing)
{
    const std::vector<uint8_t> png = readFixture("ramp.png");
    for (size_t cut : {size_t(8), size_t(20), size_t(40), png.size() - 13, png.size() - 1}) {
        SCOPED_TRACE(cut);
        std::vector<uint8_t> truncated(png.begin(), png.begin() + static_cast<long>(cut));
        expectEmpty(*decode(truncated));
    }

    std::vector<uint8_t> damagedSignature = png;
    damagedSignature[1] = 'Q';
    expectEmpty(*decode(damagedSignature));

    std::vector<uint8_t> jpeg = readFixture("top_white.jpg");
    jpeg.resize(jpeg.size() / 3);
    decode(jpeg); // truncated JPEG: any result, but no crash or overread

    uint32_t state = 12345;
    std::vector<uint8_t> noise(4096);
    for (uint8_t& b : noise) {
        state = state * 1103515245u + 12345u;
        b = static_cast<uint8_t>(state >> 16);
    }
    expectEmpty(*decode(noise));
    expectEmpty(*decode(std::vector<uint8_t>{}));
}

TEST(ImageLifetime, DeletingAnEmptyImageThroughABasePointerIsHarmless)
{
    const uint8_t junk[3] = {1, 2, 3};
    CImage* image = new CImage(junk, sizeof junk);
    EXPECT_TRUE(image->empty());
    delete image;
}

} // namespace
