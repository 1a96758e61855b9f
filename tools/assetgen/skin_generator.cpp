// Writes the skin: three palette layers, the hit map, the knob and the icon in three sizes.

#include "tools/assetgen/file_util.h"
#include "tools/assetgen/generators.h"
#include "tools/assetgen/skin_art.h"

namespace assetgen {

namespace {

bool writeIndexed(const std::filesystem::path& outDir, const char* name, const IndexedImage& image,
                  int transparentEntries = 0)
{
    return writeFile(outDir, name,
                     encodePalettePng(image.width, image.height, image.indices, image.palette, transparentEntries));
}

// The double-size artwork for HiDPI screens: the same layout drawn at two
// pixels per layout pixel. The hit map stays single-size.
bool writeDoubleSizeSkin(const std::filesystem::path& outDir)
{
    constexpr int scale = 2;
    const auto layers = paintSkinLayers(scale);
    const auto images = indexSkinLayers(layers, scale);
    return writeIndexed(outDir, "skin/normal-2x.png", images[0]) &&
           writeIndexed(outDir, "skin/hover-2x.png", images[1]) &&
           writeIndexed(outDir, "skin/active-2x.png", images[2]) &&
           writeIndexed(outDir, "skin/knob-2x.png", paintKnob(layers[0], scale), 1);
}

} // namespace

bool writeSkin(const std::filesystem::path& outDir)
{
    const auto layers = paintSkinLayers();
    const auto images = indexSkinLayers(layers);
    return writeIndexed(outDir, "skin/normal.png", images[0]) && writeIndexed(outDir, "skin/hover.png", images[1]) &&
           writeIndexed(outDir, "skin/active.png", images[2]) &&
           writeFile(outDir, "skin/hitmap.png", encodeRgbPng(skinWidth, skinHeight, paintHitMap())) &&
           writeIndexed(outDir, "skin/knob.png", paintKnob(layers[0]), 1) &&
           writeFile(outDir, "skin/icon.png", encodeRgbaPng(32, 32, paintIcon(32))) &&
           writeFile(outDir, "skin/icon64.png", encodeRgbaPng(64, 64, paintIcon(64))) &&
           writeFile(outDir, "skin/icon128.png", encodeRgbaPng(128, 128, paintIcon(128))) &&
           // Not embedded: the desktop's large icon, installed with the menu entry.
           writeFile(outDir, "skin/icon256.png", encodeRgbaPng(256, 256, paintIcon(256))) &&
           writeDoubleSizeSkin(outDir);
}

} // namespace assetgen
