// Measures shared by the content tests: how seamlessly a picture wraps and
// how much it varies.
#pragma once

#include "gfx/image.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace imagecheck {

inline int luminance(uint32_t pixel)
{
    return static_cast<int>(((pixel >> 16) & 0xFF) * 3 + ((pixel >> 8) & 0xFF) * 6 + (pixel & 0xFF)) / 10;
}

// Mean luminance step between column a and column b over all rows.
inline double columnStep(const CImage& image, int a, int b)
{
    double sum = 0;
    for (int y = 0; y < image.height; ++y)
        sum += std::abs(luminance(image.pixel(a, y)) - luminance(image.pixel(b, y)));
    return sum / image.height;
}

inline double rowStep(const CImage& image, int a, int b)
{
    double sum = 0;
    for (int x = 0; x < image.width; ++x)
        sum += std::abs(luminance(image.pixel(x, a)) - luminance(image.pixel(x, b)));
    return sum / image.width;
}

// A picture tiles when stepping from its last column to its first is no
// rougher than the roughest step between neighbouring columns inside it (and
// the same for rows): a seam would stand out as a larger step.
inline bool wrapsSeamlessly(const CImage& image, double slack)
{
    double roughestColumn = 0, roughestRow = 0;
    for (int x = 0; x + 1 < image.width; ++x)
        roughestColumn = std::max(roughestColumn, columnStep(image, x, x + 1));
    for (int y = 0; y + 1 < image.height; ++y)
        roughestRow = std::max(roughestRow, rowStep(image, y, y + 1));
    return columnStep(image, image.width - 1, 0) <= roughestColumn + slack &&
           rowStep(image, image.height - 1, 0) <= roughestRow + slack;
}

// Standard deviation of luminance over a rectangle.
inline double spread(const CImage& image, int left, int top, int width, int height)
{
    double sum = 0, squares = 0;
    for (int y = top; y < top + height; ++y)
        for (int x = left; x < left + width; ++x) {
            const double l = luminance(image.pixel(x, y));
            sum += l;
            squares += l * l;
        }
    const double n = double(width) * height, mean = sum / n;
    return std::sqrt(std::max(0.0, squares / n - mean * mean));
}

} // namespace imagecheck
