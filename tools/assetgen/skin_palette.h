// Reduces the painted artwork to an 8-bit palette, deterministically
// (weighted median cut, then nearest entry).
#pragma once

#include "tools/assetgen/png_writer.h"

#include <cstdint>
#include <vector>

namespace assetgen {

// At most `entries` colours representing `colours` (0xRRGGBB, one per pixel,
// repeats weigh more). Exact when there are no more distinct colours than entries.
std::vector<uint32_t> medianCut(const std::vector<uint32_t>& colours, int entries);

// Index of the entry of `palette` nearest to `colour`, looking only at entries
// from `first` on.
uint8_t nearestEntry(const std::vector<PaletteEntry>& palette, uint32_t colour, int first);

PaletteEntry entryOf(uint32_t colour);

} // namespace assetgen
