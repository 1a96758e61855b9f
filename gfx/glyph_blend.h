// Blending one clipped glyph of a text into the view.
#pragma once

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
// blendOver of `colour` at the strength of its alpha byte. The vector blend
// works on a pixel's bytes as two 16-bit pairs, blue and red, green and
// alpha; the alpha byte gets a strength of 0 and keeps its bits.
struct TextColour {
    uint32_t colour;
    uint32_t blueRed;        // the colour's blue and red bytes, one per 16-bit half
    uint32_t greenAlpha;     // its green and alpha bytes
    uint32_t blueRedTwice;   // twice the strength, in both halves
    uint32_t greenAlphaTwice; // twice the strength for green, 0 for alpha

    explicit TextColour(uint32_t colour);
};

// Blends the colour into every covered pixel of the glyph, on the vector
// target the program chose (gfx/simd_target.h); every target gives the bits
// of blendOver pixel by pixel.
void blendGlyph(const GlyphRows& glyph, const TextColour& colour);
