// smallFont: the information text's font, drawn in a fixed 6x6 cell.

#include "tools/assetgen/font_freetype.h"
#include "tools/assetgen/generators.h"

namespace assetgen {

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/X11/misc/4x6.pcf.gz";

} // namespace

bool writeSmallFont(const std::filesystem::path& outDir)
{
    FontFace font;
    font.face = "misc-fixed 4x6";
    font.size = 6;
    font.lineHeight = 7;
    font.base = 5;
    if (!renderGlyphs(kFontFile, 6, font.base, fontCharacterCodes(), font.glyphs))
        return false;
    for (GlyphBitmap& g : font.glyphs) {
        g.xadvance = 6;
        trimGlyph(g);
    }
    return writeFont(outDir, "small", font);
}

} // namespace assetgen
