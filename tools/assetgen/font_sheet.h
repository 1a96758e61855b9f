// Bitmap fonts in the sheet-and-descriptor form: white glyphs packed on a
// black 256x128 palette sheet, and a text descriptor giving each glyph's
// rectangle and placement.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace assetgen {

// One glyph as drawn: `ink` holds width * height values, nonzero where white.
// Offsets are from the pen (top of the line) to the bitmap's top-left corner.
struct GlyphBitmap {
    int id = 0;
    int width = 0;
    int height = 0;
    int xoffset = 0;
    int yoffset = 0;
    int xadvance = 0;
    std::vector<uint8_t> ink;
};

struct FontFace {
    std::string face;  // the info line's face name
    int size = 0;      // the info line's size
    bool bold = false;
    int lineHeight = 0;
    int base = 0;
    std::vector<GlyphBitmap> glyphs; // in id order
};

// The character codes both fonts carry: printable ASCII and the printable
// Latin-1 codes, less the soft hyphen, which text never shows. 190 in all.
std::vector<int> fontCharacterCodes();

// Trims empty rows and columns off a glyph's edges, keeping its placement.
void trimGlyph(GlyphBitmap& glyph);

// Packs the glyphs onto the sheet and writes `stem`.png and `stem`.fnt under
// outDir/fonts. False (with a message) when they do not fit on the sheet.
bool writeFont(const std::filesystem::path& outDir, const std::string& stem, const FontFace& font);

} // namespace assetgen
