#include "tools/assetgen/font_freetype.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>

namespace assetgen {

namespace {

struct FreeTypeFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeFace()
    {
        if (face != nullptr)
            FT_Done_Face(face);
        if (library != nullptr)
            FT_Done_FreeType(library);
    }
};

bool setSize(FT_Face face, int pixelSize)
{
    if (FT_IS_SCALABLE(face))
        return FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize)) == 0;
    return face->num_fixed_sizes > 0 && FT_Select_Size(face, 0) == 0;
}

GlyphBitmap copyGlyph(int code, int base, const FT_GlyphSlot slot)
{
    const FT_Bitmap& bitmap = slot->bitmap;
    GlyphBitmap g;
    g.id = code;
    g.width = static_cast<int>(bitmap.width);
    g.height = static_cast<int>(bitmap.rows);
    g.xoffset = slot->bitmap_left;
    g.yoffset = base - slot->bitmap_top;
    g.xadvance = static_cast<int>((slot->advance.x + 32) >> 6);
    g.ink.assign(static_cast<size_t>(g.width * g.height), 0);
    for (int row = 0; row < g.height; ++row) {
        const unsigned char* line = bitmap.buffer + row * bitmap.pitch;
        for (int column = 0; column < g.width; ++column)
            g.ink[static_cast<size_t>(row * g.width + column)] = (line[column / 8] >> (7 - column % 8)) & 1;
    }
    return g;
}

} // namespace

bool renderGlyphs(const std::string& path, int pixelSize, int base, const std::vector<int>& codes,
                  std::vector<GlyphBitmap>& glyphs)
{
    FreeTypeFace ft;
    if (FT_Init_FreeType(&ft.library) != 0 || FT_New_Face(ft.library, path.c_str(), 0, &ft.face) != 0) {
        std::fprintf(stderr, "assetgen: cannot open the font %s (scripts/install-deps installs it)\n", path.c_str());
        return false;
    }
    if (!setSize(ft.face, pixelSize)) {
        std::fprintf(stderr, "assetgen: cannot size the font %s\n", path.c_str());
        return false;
    }
    glyphs.clear();
    for (int code : codes) {
        const FT_UInt index = FT_Get_Char_Index(ft.face, static_cast<FT_ULong>(code));
        if (index == 0 || FT_Load_Glyph(ft.face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0 ||
            (ft.face->glyph->bitmap.width > 0 && ft.face->glyph->bitmap.pixel_mode != FT_PIXEL_MODE_MONO)) {
            std::fprintf(stderr, "assetgen: %s has no usable glyph for code %d\n", path.c_str(), code);
            return false;
        }
        glyphs.push_back(copyGlyph(code, base, ft.face->glyph));
    }
    return true;
}

} // namespace assetgen
