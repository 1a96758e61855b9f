// Bitmap fonts: a glyph sheet and a text descriptor of glyph rectangles.
#pragma once

#include "gfx/image.h"

#include <cstdint>

struct Glyph {
    int32_t x, y, width, height; // rectangle on the sheet
    int32_t xoffset, yoffset;    // from the pen to the rectangle in the target
    int32_t xadvance;            // pen movement after the character
};

struct BitmapFont {
    CImage* sheet = nullptr; // owned
    Glyph glyphs[256] = {};
    int32_t fixedAdvance = -1; // when not -1, every character and line feed advances by it

    BitmapFont() = default;
    ~BitmapFont() { delete sheet; }
    BitmapFont(const BitmapFont&) = delete;
    BitmapFont& operator=(const BitmapFont&) = delete;
};

// Builds `font` from a glyph sheet file and a NUL-terminated descriptor.
BitmapFont& loadFont(BitmapFont& font, const uint8_t* sheetData, uint32_t sheetSize, const char* descriptor);

// The player's two fonts from their embedded files, small first; the small
// one then advances a fixed 6 pixels per character and per line.
void loadPlayerFonts(BitmapFont& smallFont, BitmapFont& largeFont);

// Draws `text` into a 320x240 view with the pen starting at (x, y); the
// colour's alpha byte is the blend strength.
void drawText(const char* text, const BitmapFont& font, uint32_t* view, int32_t x, int32_t y, uint32_t colour);
