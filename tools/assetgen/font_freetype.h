// Glyph bitmaps from a font file, rendered monochrome by FreeType.
#pragma once

#include "tools/assetgen/font_sheet.h"

#include <string>
#include <vector>

namespace assetgen {

// Renders `codes` (Unicode code points, which equal Latin-1 codes) from the
// font at `path`. Scalable fonts are rendered at `pixelSize`; bitmap fonts at
// their own size. `base` is the baseline's distance from the top of the line.
// False (with a message) when the file or a glyph is missing.
bool renderGlyphs(const std::string& path, int pixelSize, int base, const std::vector<int>& codes,
                  std::vector<GlyphBitmap>& glyphs);

} // namespace assetgen
