// A decoded picture: 32-bit pixels 0xAARRGGBB (bytes blue, green, red, alpha
// in memory), top row first, rows without gaps.
//
// Built once from an embedded PNG or JPEG file and only read afterwards. A
// file that cannot be decoded gives an empty image: width and height 0 and
// no pixel buffer.
#pragma once

#include <cstdint>

struct AssetBlob;

class CImage {
public:
    // `size` is the byte count of the file in memory (an AssetBlob's count,
    // which includes its trailing zero, is fine). The decoder never reads
    // past it.
    CImage(const uint8_t* data, uint32_t size);
    explicit CImage(const AssetBlob& blob);
    virtual ~CImage();

    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    bool empty() const { return pixels == nullptr; }
    uint32_t pixel(int32_t column, int32_t row) const { return pixels[row * bufferWidth + column]; }

    uint32_t* pixels = nullptr;
    int32_t bufferWidth = 0;
    int32_t bufferHeight = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t rowSkip = 0;
    uint32_t* auxPixels = nullptr;
};
