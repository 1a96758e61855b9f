// Converting the composed 0xAARRGGBB frame into the display's pixel format.
#pragma once

#include <cstdint>

// A locked piece of display memory: `rows` rows of `columns` pixels, rows
// `pitch` bytes apart, each pixel `bitsPerPixel` wide.
struct PixelTarget {
    uint8_t* pixels = nullptr;
    int32_t pitch = 0;
    int32_t columns = 0;
    int32_t rows = 0;
    int32_t bitsPerPixel = 0;
};

// Writes `target.rows` x `target.columns` pixels of `source` (rows
// `sourceStride` pixels apart) into the target by its depth: 32 as is, 30 as
// 32-bit 2-10-10-10 (each channel widened to 10 bits), 24 as bytes B G R, 16
// as 5-6-5, 15 as 5-5-5; any other depth is left untouched.
void convertPixels(const uint32_t* source, int32_t sourceStride, const PixelTarget& target);
