#include "tools/assetgen/font_sheet.h"

#include "tools/assetgen/file_util.h"
#include "tools/assetgen/png_writer.h"

#include <algorithm>
#include <cstdio>

namespace assetgen {

namespace {

constexpr int kSheetWidth = 256;
constexpr int kSheetHeight = 128;
constexpr int kGap = 1; // blank pixels between packed glyphs
constexpr uint8_t kWhite = 255;

struct Placement {
    int x = 0;
    int y = 0;
};

bool inkAt(const GlyphBitmap& g, int column, int row) { return g.ink[static_cast<size_t>(row * g.width + column)] != 0; }

// Shelf packing, tallest glyphs first so each shelf wastes little height.
bool packGlyphs(const std::vector<GlyphBitmap>& glyphs, std::vector<Placement>& placements)
{
    std::vector<size_t> order(glyphs.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return glyphs[a].height > glyphs[b].height; });
    placements.assign(glyphs.size(), {});
    int x = 0, y = 0, shelfHeight = 0;
    for (size_t i : order) {
        const GlyphBitmap& g = glyphs[i];
        if (x + g.width > kSheetWidth) {
            x = 0;
            y += shelfHeight + kGap;
            shelfHeight = 0;
        }
        if (y + g.height > kSheetHeight)
            return false;
        placements[i] = {x, y};
        x += g.width + kGap;
        shelfHeight = std::max(shelfHeight, g.height);
    }
    return true;
}

std::vector<uint8_t> paintSheet(const std::vector<GlyphBitmap>& glyphs, const std::vector<Placement>& placements)
{
    std::vector<uint8_t> indices(kSheetWidth * kSheetHeight, 0);
    for (size_t i = 0; i < glyphs.size(); ++i)
        for (int row = 0; row < glyphs[i].height; ++row)
            for (int column = 0; column < glyphs[i].width; ++column)
                if (inkAt(glyphs[i], column, row))
                    indices[static_cast<size_t>((placements[i].y + row) * kSheetWidth + placements[i].x + column)] =
                        kWhite;
    return indices;
}

void appendLine(std::string& text, const char* line)
{
    text += line;
    text += "\r\n";
}

std::string describe(const std::string& stem, const FontFace& font, const std::vector<Placement>& placements)
{
    std::string text;
    char line[256];
    std::snprintf(line, sizeof line,
                  "info face=\"%s\" size=%d bold=%d italic=0 charset=\"\" unicode=0 stretchH=100 smooth=0 aa=1 "
                  "padding=0,0,0,0 spacing=%d,%d",
                  font.face.c_str(), font.size, font.bold ? 1 : 0, kGap, kGap);
    appendLine(text, line);
    std::snprintf(line, sizeof line,
                  "common lineHeight=%d base=%d scaleW=%d scaleH=%d pages=1 packed=0 alphaChnl=0 redChnl=4 "
                  "greenChnl=4 blueChnl=4",
                  font.lineHeight, font.base, kSheetWidth, kSheetHeight);
    appendLine(text, line);
    std::snprintf(line, sizeof line, "page id=0 file=\"%s.png\"", stem.c_str());
    appendLine(text, line);
    std::snprintf(line, sizeof line, "chars count=%zu", font.glyphs.size());
    appendLine(text, line);
    for (size_t i = 0; i < font.glyphs.size(); ++i) {
        const GlyphBitmap& g = font.glyphs[i];
        std::snprintf(line, sizeof line,
                      "char id=%-4d x=%-5d y=%-5d width=%-5d height=%-5d xoffset=%-5d yoffset=%-5d xadvance=%-5d "
                      "page=0  chnl=15",
                      g.id, placements[i].x, placements[i].y, g.width, g.height, g.xoffset, g.yoffset, g.xadvance);
        appendLine(text, line);
    }
    return text;
}

} // namespace

std::vector<int> fontCharacterCodes()
{
    constexpr int kSoftHyphen = 173;
    std::vector<int> codes;
    for (int code = 32; code <= 126; ++code)
        codes.push_back(code);
    for (int code = 160; code <= 255; ++code)
        if (code != kSoftHyphen)
            codes.push_back(code);
    return codes;
}

void trimGlyph(GlyphBitmap& g)
{
    int left = g.width, right = -1, top = g.height, bottom = -1;
    for (int row = 0; row < g.height; ++row)
        for (int column = 0; column < g.width; ++column)
            if (inkAt(g, column, row)) {
                left = std::min(left, column);
                right = std::max(right, column);
                top = std::min(top, row);
                bottom = std::max(bottom, row);
            }
    if (right < 0) {
        // A blank glyph keeps a one-pixel rectangle of background, so every
        // record still points at a real (empty) place on the sheet.
        g.width = g.height = 1;
        g.xoffset = g.yoffset = 0;
        g.ink.assign(1, 0);
        return;
    }
    GlyphBitmap trimmed = g;
    trimmed.width = right - left + 1;
    trimmed.height = bottom - top + 1;
    trimmed.xoffset = g.xoffset + left;
    trimmed.yoffset = g.yoffset + top;
    trimmed.ink.assign(static_cast<size_t>(trimmed.width * trimmed.height), 0);
    for (int row = 0; row < trimmed.height; ++row)
        for (int column = 0; column < trimmed.width; ++column)
            trimmed.ink[static_cast<size_t>(row * trimmed.width + column)] = inkAt(g, left + column, top + row);
    g = std::move(trimmed);
}

bool writeFont(const std::filesystem::path& outDir, const std::string& stem, const FontFace& font)
{
    std::vector<Placement> placements;
    if (!packGlyphs(font.glyphs, placements)) {
        std::fprintf(stderr, "assetgen: the glyphs of %s do not fit on a %dx%d sheet\n", stem.c_str(), kSheetWidth,
                     kSheetHeight);
        return false;
    }
    std::vector<PaletteEntry> palette(256, PaletteEntry{0, 0, 0});
    palette[kWhite] = {255, 255, 255};
    const std::vector<uint8_t> png = encodePalettePng(kSheetWidth, kSheetHeight, paintSheet(font.glyphs, placements),
                                                      palette);
    const std::string descriptor = describe(stem, font, placements);
    return writeFile(outDir, "fonts/" + stem + ".png", png) &&
           writeFile(outDir, "fonts/" + stem + ".fnt", std::vector<uint8_t>(descriptor.begin(), descriptor.end()));
}

} // namespace assetgen
