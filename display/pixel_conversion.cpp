#include "display/pixel_conversion.h"

#include <cstddef>
#include <cstring>

namespace {

uint16_t to565(uint32_t p)
{
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

uint16_t to555(uint32_t p)
{
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return static_cast<uint16_t>((r >> 3) << 10 | (g >> 3) << 5 | (b >> 3));
}

// An 8-bit channel widened to 10 bits by repeating its top bits below it,
// so that 0 stays 0 and 255 becomes 1023 (white stays white).
uint32_t widen(uint32_t v) { return v << 2 | v >> 6; }

// 2-10-10-10 as deep-colour X servers use it: red in the high bits; the two
// top bits carry the alpha byte's top bits, as 32 bits keep the alpha byte.
uint32_t to2101010(uint32_t p)
{
    const uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return (a >> 6) << 30 | widen(r) << 20 | widen(g) << 10 | widen(b);
}

// Display memory need not be aligned for 16-bit stores; memcpy keeps that
// well defined and compiles to a plain store.
void put16(uint8_t* at, uint16_t value) { std::memcpy(at, &value, sizeof value); }
void put32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, sizeof value); }

void convertRow(const uint32_t* src, uint8_t* dst, int32_t columns, int32_t bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 32:
        std::memcpy(dst, src, static_cast<size_t>(columns) * 4u);
        break;
    case 30:
        for (int32_t x = 0; x < columns; ++x)
            put32(dst + 4 * x, to2101010(src[x]));
        break;
    case 24:
        for (int32_t x = 0; x < columns; ++x, dst += 3) {
            dst[0] = static_cast<uint8_t>(src[x]);
            dst[1] = static_cast<uint8_t>(src[x] >> 8);
            dst[2] = static_cast<uint8_t>(src[x] >> 16);
        }
        break;
    case 16:
        for (int32_t x = 0; x < columns; ++x)
            put16(dst + 2 * x, to565(src[x]));
        break;
    case 15:
        for (int32_t x = 0; x < columns; ++x)
            put16(dst + 2 * x, to555(src[x]));
        break;
    default:
        break;
    }
}

} // namespace

void convertPixels(const uint32_t* source, int32_t sourceStride, const PixelTarget& target)
{
    if (target.pixels == nullptr)
        return;
    // A target whose rows follow one another as the source's do takes the
    // frame as one block: one copy of the whole frame rather than one per row.
    const int64_t rowBytes = int64_t(target.columns) * 4;
    if (target.bitsPerPixel == 32 && target.rows > 0 && target.columns > 0 && target.pitch == rowBytes &&
        sourceStride == target.columns) {
        std::memcpy(target.pixels, source, static_cast<size_t>(rowBytes * target.rows));
        return;
    }
    for (int32_t y = 0; y < target.rows; ++y)
        convertRow(source + static_cast<std::ptrdiff_t>(y) * sourceStride,
                   target.pixels + static_cast<std::ptrdiff_t>(y) * target.pitch, target.columns, target.bitsPerPixel);
}
