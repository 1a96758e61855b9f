// Blending one clipped glyph of a text into the view.
#pragma once

#include "gfx/lanes.h"

#include <cstdint>

// `rows` rows of `count` view pixels, each under the sheet pixel that gives
// its coverage (blue byte not 0).
struct GlyphRows {
    uint32_t* target;       // the first pixel of the first row, in the view
    const uint32_t* sheet;  // its sheet pixel
    int64_t sheetStride;    // pixels from one sheet row to the next (the view's is its width)
    int64_t rows;
    int64_t count;
    int64_t room;           // pixels that both buffers hold from the start of the last row on
};

// A text's colour as the blend takes it, worked out once per text:
// blendOver of `colour` at the strength of its alpha byte, `lanes` pixels at
// a time.
struct TextColour {
    uint32_t colour;
    // The blend of the chosen width, picked once per text rather than per glyph.
    void (*blendRows)(const GlyphRows& glyph, const TextColour& colour);
    alignas(32) uint16_t bytes[16]; // the colour's bytes, four pixels' worth of 16-bit lanes
    alignas(32) uint16_t twice[16]; // twice the strength in the blue, green and red lanes

    TextColour(uint32_t colour, Lanes lanes);
};

// Blends the colour into every covered pixel of the glyph.
inline void blendGlyph(const GlyphRows& glyph, const TextColour& colour)
{
    colour.blendRows(glyph, colour);
}
