// The small font's hand-drawn glyphs, made for a fixed 6x6 cell: capitals
// and digits 5 pixels tall on the baseline, lowercase 4 pixels tall with
// one-pixel ascenders and descenders, at most 5 pixels wide so a column of
// background always separates neighbours.
#pragma once

#include "tools/assetgen/font_sheet.h"

#include <vector>

namespace assetgen {

// Row 0 of the cell is the top of the line; the baseline lies under row 4.
// Accented letters reach one row above the cell, where the line above has
// only its rare descenders.
std::vector<GlyphBitmap> drawSmallGlyphs(const std::vector<int>& codes);

} // namespace assetgen
