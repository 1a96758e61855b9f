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

// blendOver of `colour` at the strength of its alpha byte on every covered
// pixel.
void blendGlyph(const GlyphRows& glyph, uint32_t colour, Lanes lanes);
