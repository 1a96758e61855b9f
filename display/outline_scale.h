// The window outline at double size: every pixel of the single-size mask
// becomes a block of scale x scale pixels.
#pragma once

#include <cstdint>

// `mask` is width x height bytes; `scaled` receives (scale * width) x
// (scale * height) bytes.
void scaleMask(const uint8_t* mask, int32_t width, int32_t height, int32_t scale, uint8_t* scaled);
