// The skin's own little bitmap font: 5 x 7 capitals and digits, lower case
// with two descender rows, drawn at any scale with box-filtered edges.
#pragma once

#include "tools/assetgen/skin_draw.h"

#include <string_view>
#include <vector>

namespace assetgen {

// Coverage mask of a text, one float per pixel of the canvas's size.
struct TextMask {
    int width = 0;
    int height = 0;
    std::vector<float> cover;
    float at(int x, int y) const;
};

// Width in pixels of `text` at `scale` with `spacing` font pixels between glyphs.
float textWidth(std::string_view text, float scale, float spacing);

// The text's mask with its top-left corner (top of the capitals) at `origin`.
// A character without a glyph ends the generator with a message.
TextMask textMask(int width, int height, std::string_view text, Vec2 origin, float scale, float spacing);

// The text as a shape, each font pixel a square of `scale` pixels, for
// lettering with a bevelled edge.
Shape textShape(std::string_view text, Vec2 origin, float scale, float spacing);

// Blends `paint` into the canvas through the mask, moved by (dx, dy) pixels.
void paintMask(Canvas& canvas, const TextMask& mask, int dx, int dy, const Paint& paint, float opacity = 1.0f);

} // namespace assetgen
