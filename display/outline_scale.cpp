#include "display/outline_scale.h"

void scaleMask(const uint8_t* mask, int32_t width, int32_t height, int32_t scale, uint8_t* scaled)
{
    const int32_t scaledWidth = width * scale;
    for (int32_t y = 0; y < height * scale; ++y)
        for (int32_t x = 0; x < scaledWidth; ++x)
            scaled[y * scaledWidth + x] = mask[(y / scale) * width + x / scale];
}
