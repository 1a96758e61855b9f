// The files embedded in the program, each reached by its role.
//
// A blob holds the file's bytes followed by one zero byte; `count` is the
// file's length plus that zero byte, so a text blob is a C string in place.
#pragma once

#include <cstdint>

struct AssetBlob {
    const unsigned char* bytes;
    uint32_t count;

    // The blob as a NUL-terminated string (the trailing zero makes it one).
    const char* text() const { return reinterpret_cast<const char*>(bytes); }
    // The file itself, without the trailing zero.
    uint32_t fileSize() const { return count - 1; }
};

namespace assets {

// The skin, the window outline and the control map.
extern const AssetBlob skinNormal;
extern const AssetBlob windowShape;
extern const AssetBlob hitMap;
extern const AssetBlob skinHover;
extern const AssetBlob skinActive;
extern const AssetBlob volumeKnob;

// The tracks' information texts, 8-bit Windows-1252, lines ended by CR LF.
extern const AssetBlob infoText01;
extern const AssetBlob infoText02;
extern const AssetBlob infoText03;
extern const AssetBlob infoText04;
extern const AssetBlob infoText05;
extern const AssetBlob infoText06;
extern const AssetBlob infoText07;
extern const AssetBlob infoText08;
extern const AssetBlob infoText09;
extern const AssetBlob infoText10;
extern const AssetBlob infoText11;
extern const AssetBlob infoText12;
extern const AssetBlob infoText13;
extern const AssetBlob infoText14;
extern const AssetBlob infoText15;

// The two bitmap fonts: glyph sheet and text descriptor each.
extern const AssetBlob smallFontSheet;
extern const AssetBlob smallFontDescriptor;
extern const AssetBlob largeFontSheet;
extern const AssetBlob largeFontDescriptor;

// What the background effects sample.
extern const AssetBlob heightMap;
extern const AssetBlob texture0;
extern const AssetBlob texture1;
extern const AssetBlob texture2;
extern const AssetBlob texture3;
extern const AssetBlob texture4;
extern const AssetBlob texture5;
extern const AssetBlob paletteStrip;

// The window's icon: 32 x 32, and larger for docks and dense screens.
extern const AssetBlob windowIcon;
extern const AssetBlob windowIcon64;
extern const AssetBlob windowIcon128;

// The skin drawn at double size (674 x 886, the knob 50 x 40) for HiDPI
// screens; the hit map and the window outline stay single-size.
extern const AssetBlob skinNormal2x;
extern const AssetBlob skinHover2x;
extern const AssetBlob skinActive2x;
extern const AssetBlob volumeKnob2x;

} // namespace assets
