// Deterministic PNG encoding for the generators (fixed compression settings,
// no time or text chunks), so the same picture always gives the same bytes.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

struct PaletteEntry {
    uint8_t r, g, b;
};

// 8-bit indexed PNG with a 256-entry palette. `transparentEntries` > 0 adds a
// tRNS chunk making the first that many entries fully transparent.
std::vector<uint8_t> encodePalettePng(int width, int height, const std::vector<uint8_t>& indices,
                                      const std::vector<PaletteEntry>& palette, int transparentEntries = 0);

// 8-bit RGB PNG; `rgb` holds width * height * 3 bytes.
std::vector<uint8_t> encodeRgbPng(int width, int height, const std::vector<uint8_t>& rgb);

// 8-bit RGBA PNG; `rgba` holds width * height * 4 bytes.
std::vector<uint8_t> encodeRgbaPng(int width, int height, const std::vector<uint8_t>& rgba);

} // namespace assetgen
