// smallFont: the information text's font, hand-drawn for its fixed 6x6 cell.

#include "tools/assetgen/font_small_glyphs.h"
#include "tools/assetgen/generators.h"

namespace assetgen {

bool writeSmallFont(const std::filesystem::path& outDir)
{
    FontFace font;
    font.face = "Quarven Small";
    font.size = 6;
    font.lineHeight = 7;
    font.base = 5;
    font.glyphs = drawSmallGlyphs(fontCharacterCodes());
    for (GlyphBitmap& g : font.glyphs)
        trimGlyph(g);
    return writeFont(outDir, "small", font);
}

} // namespace assetgen
