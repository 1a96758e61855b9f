// Paints the three skin layers and puts them on one palette.

#include "tools/assetgen/skin_art.h"
#include "tools/assetgen/skin_palette.h"

#include <algorithm>

namespace assetgen {

namespace {

// Whether a layer may differ from the normal one here: only on controls that
// change their look.
bool changesLook(int x, int y)
{
    for (const Control& c : skinControls()) {
        if (c.kind == ControlKind::volume || c.kind == ControlKind::webAddress)
            continue;
        if (inHitShape(c, x, y))
            return true;
    }
    return false;
}

// A painted colour that happens to be the key would make the view show
// through; move it by one step of green.
uint32_t awayFromKey(uint32_t colour) { return colour == greenKey ? 0x00FE00 : colour; }

constexpr int keyEntry = 1;
constexpr int firstArtEntry = 2;

} // namespace

std::array<std::vector<uint32_t>, 3> paintSkinLayers(int scale)
{
    Canvas base(skinWidth, skinHeight, rgb(0x000000), scale);
    paintSkinBase(base);
    std::array<std::vector<uint32_t>, 3> layers;
    const SkinLook looks[3] = {SkinLook::normal, SkinLook::hover, SkinLook::active};
    for (int i = 0; i < 3; ++i) {
        Canvas canvas = base;
        paintSymbols(canvas, looks[i]);
        layers[i].resize(canvas.pixels.size());
        for (size_t k = 0; k < canvas.pixels.size(); ++k)
            layers[i][k] = awayFromKey(packed(canvas.pixels[k]));
    }
    // Which layer shows, and where the key lets the view through, is decided
    // per layout pixel (by the hit map and the key), so at double size each
    // decision covers a block of 2 x 2 pixels.
    for (int y = 0; y < base.height; ++y) {
        for (int x = 0; x < base.width; ++x) {
            const size_t k = static_cast<size_t>(y) * base.width + x;
            if (!changesLook(x / scale, y / scale))
                layers[1][k] = layers[2][k] = layers[0][k];
            if (isViewKey(x / scale, y / scale))
                layers[0][k] = layers[1][k] = layers[2][k] = greenKey;
        }
    }
    return layers;
}

std::array<IndexedImage, 3> indexSkinLayers(const std::array<std::vector<uint32_t>, 3>& layers, int scale)
{
    std::vector<uint32_t> art;
    for (const auto& layer : layers)
        for (uint32_t colour : layer)
            if (colour != greenKey)
                art.push_back(colour);
    std::vector<PaletteEntry> palette(256, entryOf(0x000000));
    palette[keyEntry] = entryOf(greenKey);
    const std::vector<uint32_t> colours = medianCut(art, 256 - firstArtEntry);
    for (size_t i = 0; i < colours.size(); ++i)
        palette[firstArtEntry + i] = entryOf(awayFromKey(colours[i]));
    for (size_t i = firstArtEntry + colours.size(); i < palette.size(); ++i)
        palette[i] = palette[firstArtEntry]; // unused entries repeat a real one
    const int lastEntry = static_cast<int>(firstArtEntry + std::max<size_t>(colours.size(), 1));
    std::vector<PaletteEntry> searched(palette.begin(), palette.begin() + lastEntry);

    std::array<IndexedImage, 3> images;
    for (int i = 0; i < 3; ++i) {
        IndexedImage& image = images[i];
        image.width = skinWidth * scale;
        image.height = skinHeight * scale;
        image.palette = palette;
        image.indices.resize(layers[i].size());
        for (size_t k = 0; k < layers[i].size(); ++k) {
            const uint32_t colour = layers[i][k];
            image.indices[k] = colour == greenKey ? keyEntry : nearestEntry(searched, colour, firstArtEntry);
        }
    }
    return images;
}

} // namespace assetgen
