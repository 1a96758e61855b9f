// The window's outline, read from its embedded region data (a 32-byte
// header, then rectangles left, top, right, bottom with right and bottom
// exclusive, all 32-bit little-endian).
#pragma once

#include <cstdint>

struct AssetBlob;

// Fills `mask` (width x height bytes) with 1 inside the outline and 0
// outside. Rectangles reaching past the mask are cut to it. False, with the
// mask all ones (a plain rectangular window), when the data is malformed.
bool buildWindowMask(const AssetBlob& shape, uint8_t* mask, int32_t width, int32_t height);
