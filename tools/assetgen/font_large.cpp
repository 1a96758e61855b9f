// largeFont: the scroller's proportional font, DejaVu Sans Bold rendered
// monochrome at 14 pixels (capitals 10 pixels tall, sitting on the baseline
// 10 pixels below the top of the 14-pixel line).

#include "tools/assetgen/font_freetype.h"
#include "tools/assetgen/generators.h"

namespace assetgen {

namespace {

constexpr const char* kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
constexpr int kPixelSize = 14;

} // namespace

bool writeLargeFont(const std::filesystem::path& outDir)
{
    FontFace font;
    font.face = "DejaVu Sans Bold";
    font.size = kPixelSize;
    font.bold = true;
    font.lineHeight = 14;
    font.base = 10;
    if (!renderGlyphs(kFontFile, kPixelSize, font.base, fontCharacterCodes(), font.glyphs))
        return false;
    for (GlyphBitmap& g : font.glyphs)
        trimGlyph(g);
    return writeFont(outDir, "large", font);
}

} // namespace assetgen
