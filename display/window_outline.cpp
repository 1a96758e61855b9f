#include "display/window_outline.h"

#include "assets/assets.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint32_t kHeaderSize = 32;
constexpr uint32_t kRectangleType = 1;

uint32_t read32(const unsigned char* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int32_t readSigned(const unsigned char* p) { return static_cast<int32_t>(read32(p)); }

bool headerIsSound(const AssetBlob& shape, uint32_t& rectangles)
{
    if (shape.bytes == nullptr || shape.count == 0 || shape.fileSize() < kHeaderSize)
        return false;
    const unsigned char* b = shape.bytes;
    rectangles = read32(b + 8);
    const uint32_t listSize = read32(b + 12);
    return read32(b) == kHeaderSize && read32(b + 4) == kRectangleType && rectangles <= (shape.fileSize() - kHeaderSize) / 16u &&
           listSize == rectangles * 16u;
}

void fillRectangle(const unsigned char* r, uint8_t* mask, int32_t width, int32_t height)
{
    const int32_t left = std::max(readSigned(r), 0), top = std::max(readSigned(r + 4), 0);
    const int32_t right = std::min(readSigned(r + 8), width), bottom = std::min(readSigned(r + 12), height);
    for (int32_t y = top; y < bottom; ++y)
        for (int32_t x = left; x < right; ++x)
            mask[y * width + x] = 1;
}

} // namespace

bool buildWindowMask(const AssetBlob& shape, uint8_t* mask, int32_t width, int32_t height)
{
    const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height);
    uint32_t rectangles = 0;
    if (!headerIsSound(shape, rectangles)) {
        std::memset(mask, 1, size);
        return false;
    }
    std::memset(mask, 0, size);
    for (uint32_t i = 0; i < rectangles; ++i)
        fillRectangle(shape.bytes + kHeaderSize + 16u * i, mask, width, height);
    return true;
}
