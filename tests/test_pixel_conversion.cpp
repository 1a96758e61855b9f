#include "display/pixel_conversion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kUntouched = 0xAB;

// Converts `source` (one row per entry of `rows`) into a buffer with `pitch`
// bytes per row, pre-filled with kUntouched.
std::vector<uint8_t> convert(const std::vector<uint32_t>& source, int32_t columns, int32_t rows, int32_t pitch,
                             int32_t bitsPerPixel)
{
    std::vector<uint8_t> out(static_cast<size_t>(pitch) * rows, kUntouched);
    PixelTarget target{out.data(), pitch, columns, rows, bitsPerPixel};
    convertPixels(source.data(), columns, target);
    return out;
}

uint16_t read16(const std::vector<uint8_t>& bytes, size_t at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); }

TEST(PixelConversion, SixteenBitsAreFiveSixFive)
{
    const std::vector<uint32_t> source = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF, 0xFF080408};
    const std::vector<uint16_t> expected = {0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0821};
    const auto out = convert(source, 5, 1, 10, 16);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(read16(out, 2 * i), expected[i]) << i;
}

TEST(PixelConversion, FifteenBitsAreFiveFiveFiveWithTheTopBitClear)
{
    const std::vector<uint32_t> source = {0xFFFF0000, 0xFF00FF00, 0xFFFFFFFF, 0xFF0000FF};
    const std::vector<uint16_t> expected = {0x7C00, 0x03E0, 0x7FFF, 0x001F};
    const auto out = convert(source, 4, 1, 8, 15);
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(read16(out, 2 * i), expected[i]) << i;
}

TEST(PixelConversion, TwentyFourBitsAreBlueGreenRedWithoutAlpha)
{
    const auto out = convert({0x11223344, 0xAABBCCDD}, 2, 1, 6, 24);
    EXPECT_EQ(out, (std::vector<uint8_t>{0x44, 0x33, 0x22, 0xDD, 0xCC, 0xBB}));
}

TEST(PixelConversion, ThirtyTwoBitsKeepTheValueAndItsAlpha)
{
    const auto out = convert({0x11223344}, 1, 1, 4, 32);
    uint32_t value = 0;
    std::memcpy(&value, out.data(), 4);
    EXPECT_EQ(value, 0x11223344u);
}

TEST(PixelConversion, ThirtyBitsWidenEachChannelByItsTopBits)
{
    // Black, white, the primaries, a mid grey, and an alpha whose top bits
    // (01) reach the two spare bits; in a row with 4 bytes of padding.
    const std::vector<uint32_t> source = {0xFF000000, 0xFFFFFFFF, 0xFFFF0000, 0xFF00FF00,
                                          0xFF0000FF, 0xFF808080, 0x7F017F3F};
    const std::vector<uint32_t> expected = {0xC0000000, 0xFFFFFFFF, 0xFFF00000, 0xC00FFC00,
                                            0xC00003FF, 0xE0280A02, 0x4047F4FC};
    const auto out = convert(source, 7, 1, 32, 30);
    for (size_t i = 0; i < expected.size(); ++i) {
        uint32_t value = 0;
        std::memcpy(&value, out.data() + 4 * i, 4);
        EXPECT_EQ(value, expected[i]) << i;
    }
    for (size_t i = 28; i < 32; ++i)
        EXPECT_EQ(out[i], kUntouched);
}

TEST(PixelConversion, OtherDepthsWriteNothing)
{
    for (int32_t bits : {8, 1, 4, 0, 48}) {
        const auto out = convert({0xFFFFFFFF, 0xFF123456}, 2, 1, 8, bits);
        for (uint8_t b : out)
            EXPECT_EQ(b, kUntouched) << bits;
    }
}

// Each depth walks its rows by the pitch and leaves the bytes between the
// end of a row and the next row alone.
TEST(PixelConversion, RowsFollowThePitchAndPaddingIsLeftAlone)
{
    const std::vector<uint32_t> source = {0xFFFF0000, 0xFF0000FF, 0xFF00FF00, 0xFFFFFFFF};
    for (int32_t bits : {15, 16, 24, 32}) {
        const int32_t bytes = (bits + 1) / 8;
        const int32_t pitch = 2 * bytes + 5;
        const auto out = convert(source, 2, 2, pitch, bits);
        for (int32_t row = 0; row < 2; ++row)
            for (int32_t i = 2 * bytes; i < pitch; ++i)
                EXPECT_EQ(out[row * pitch + i], kUntouched) << bits << " row " << row;
        const auto packed = convert({source[2], source[3]}, 2, 1, 2 * bytes, bits);
        EXPECT_TRUE(std::equal(packed.begin(), packed.end(), out.begin() + pitch)) << bits;
    }
}

TEST(PixelConversion, SourceRowsFollowTheirOwnStride)
{
    // Two columns of a three-pixel-wide source.
    const std::vector<uint32_t> source = {1, 2, 99, 3, 4, 99};
    std::vector<uint32_t> out(4, 0);
    PixelTarget target{reinterpret_cast<uint8_t*>(out.data()), 8, 2, 2, 32};
    convertPixels(source.data(), 3, target);
    EXPECT_EQ(out, (std::vector<uint32_t>{1, 2, 3, 4}));
}

} // namespace
