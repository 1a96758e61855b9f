// Small synthetic images for tests: built directly in memory, or encoded as
// PNG bytes where the code under test decodes a file.
#pragma once

#include "gfx/image.h"

#include <cstdint>
#include <memory>

// A width x height image filled with `fill`, without decoding anything.
inline std::unique_ptr<CImage> makeImage(int width, int height, uint32_t fill)
{
    auto image = std::make_unique<CImage>(nullptr, 0);
    image->pixels = new uint32_t[size_t(width) * size_t(height)];
    image->width = image->bufferWidth = width;
    image->height = image->bufferHeight = height;
    for (int i = 0; i < width * height; ++i)
        image->pixels[i] = fill;
    return image;
}

// Fills the inclusive rectangle x0..x1 / y0..y1.
inline void fillRect(CImage& image, int x0, int y0, int x1, int y1, uint32_t colour)
{
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            image.pixels[y * image.bufferWidth + x] = colour;
}
