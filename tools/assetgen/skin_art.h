// The skin artwork, painted in memory from the control layout; the
// generator encodes it and the preview tool shows it.
#pragma once

#include "tools/assetgen/png_writer.h"
#include "tools/assetgen/skin_draw.h"
#include "tools/assetgen/skin_layout.h"

#include <array>
#include <cstdint>
#include <vector>

namespace assetgen {

enum class SkinLook { normal, hover, active };

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;
    std::vector<PaletteEntry> palette; // 256 entries
};

// Shared by all three layers: the frame, the console, the faces, the texts.
void paintSkinBase(Canvas& canvas);
// The metal faces of the buttons, the window glyphs and the link box.
void paintControlFaces(Canvas& canvas);
// The control symbols (and the lit glow) in one look.
void paintSymbols(Canvas& canvas, SkinLook look);

// The three layers (normal, hover, active) as 0xRRGGBB pixels, `scale`
// (1 or 2) pixels per layout pixel each way: identical outside the controls,
// pure green exactly on the view key (each key pixel a scale x scale block).
std::array<std::vector<uint32_t>, 3> paintSkinLayers(int scale = 1);

// The layers on one palette whose entry 0 is reserved (it decodes as
// transparent) and whose entry 1 is the green key.
std::array<IndexedImage, 3> indexSkinLayers(const std::array<std::vector<uint32_t>, 3>& layers, int scale = 1);

// The hit map as RGB bytes: black, with each control's colour on its shape.
std::vector<uint8_t> paintHitMap();

// The volume knob: entry 0 (black) around it, its edges pre-blended with the
// slider it slides over (taken from the normal layer).
IndexedImage paintKnob(const std::vector<uint32_t>& normalLayer, int scale = 1);

// The window icon, size x size (32, 64, 128), as RGBA bytes.
std::vector<uint8_t> paintIcon(int size);

} // namespace assetgen
