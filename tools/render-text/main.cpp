// Draws sample lines of Latin-1 text in both fonts into a PNG, so the glyph
// shapes can be judged by eye.
//
// usage: render-text OUT.png [ASSETS_DIR]     (ASSETS_DIR defaults to assets)
//
// It reads the sheets and descriptors from the folder rather than from the
// embedded copies, so freshly generated fonts can be viewed before they are
// committed. Glyphs are drawn the way the player draws text: the small font
// in a fixed 6x6 cell, each line first as a dark shadow, then in white.

#include "gfx/frame.h"
#include "gfx/image.h"
#include "tools/assetgen/png_writer.h"
#include "tools/render-text/font_descriptor.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 144;
constexpr uint32_t kBackground = 0xFF2A3450;

struct SampleFont {
    std::vector<uint8_t> sheetFile;
    std::unique_ptr<CImage> sheet;
    fontdesc::Descriptor descriptor;
    int fixedAdvance = -1;
};

bool readFile(const std::string& path, std::vector<uint8_t>& bytes)
{
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), {});
    if (!in.good() && !in.eof()) {
        std::fprintf(stderr, "render-text: cannot read %s\n", path.c_str());
        return false;
    }
    if (bytes.empty())
        std::fprintf(stderr, "render-text: %s is missing or empty\n", path.c_str());
    return !bytes.empty();
}

bool loadSampleFont(const std::string& stem, int fixedAdvance, SampleFont& font)
{
    std::vector<uint8_t> text;
    if (!readFile(stem + ".png", font.sheetFile) || !readFile(stem + ".fnt", text))
        return false;
    font.sheet = std::make_unique<CImage>(font.sheetFile.data(), static_cast<uint32_t>(font.sheetFile.size()));
    font.descriptor = fontdesc::parseDescriptor(std::string(text.begin(), text.end()));
    font.fixedAdvance = fixedAdvance;
    if (font.sheet->empty()) {
        std::fprintf(stderr, "render-text: cannot decode %s.png\n", stem.c_str());
        return false;
    }
    return true;
}

// The samples are written in UTF-8 here and drawn as Latin-1 bytes.
std::string toLatin1(const std::string& utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC2 && c <= 0xC3 && i + 1 < utf8.size())
            out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        else
            out += static_cast<char>(c);
    }
    return out;
}

void drawGlyph(const SampleFont& font, const fontdesc::GlyphRecord& g, std::vector<uint32_t>& view, int x, int y,
               uint32_t colour)
{
    for (int r = 0; r < g.height; ++r) {
        const int ty = y + g.yoffset + r;
        for (int c = 0; c < g.width && ty >= 0 && ty < kHeight; ++c) {
            const int tx = x + g.xoffset + c;
            if (tx < 0 || tx >= kWidth || (font.sheet->pixel(g.x + c, g.y + r) & 0xFF) == 0)
                continue;
            uint32_t& target = view[static_cast<size_t>(ty * kWidth + tx)];
            target = blendOver(target, colour, static_cast<int32_t>(colour >> 24));
        }
    }
}

void drawLine(const SampleFont& font, const std::string& latin1, std::vector<uint32_t>& view, int x, int y,
              uint32_t colour)
{
    for (unsigned char code : latin1) {
        const auto found = font.descriptor.glyphs.find(code);
        if (found != font.descriptor.glyphs.end())
            drawGlyph(font, found->second, view, x, y, colour);
        x += font.fixedAdvance >= 0 ? font.fixedAdvance : (found != font.descriptor.glyphs.end() ? found->second.xadvance : 0);
    }
}

void drawShadowed(const SampleFont& font, const std::string& utf8, std::vector<uint32_t>& view, int x, int y)
{
    const std::string text = toLatin1(utf8);
    drawLine(font, text, view, x + 1, y + 1, 0x80000000);
    drawLine(font, text, view, x, y, 0xFFFFFFFF);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUT.png [ASSETS_DIR]\n", argv[0]);
        return 2;
    }
    const std::string assets = argc == 3 ? argv[2] : "assets";
    SampleFont small, large;
    if (!loadSampleFont(assets + "/fonts/small", 6, small) || !loadSampleFont(assets + "/fonts/large", -1, large))
        return 1;

    std::vector<uint32_t> view(kWidth * kHeight, kBackground);
    drawShadowed(large, "QUARVEN 2 - Éric Dupré & Señor Müller", view, 4, 4);
    drawShadowed(large, "Ça va? Åsa Øberg, Frühstück, naïve", view, 4, 20);
    // A paragraph as the information text shows it: a 6-pixel line pitch.
    const char* paragraph[] = {
        "Musique du film QUARVEN 2, composée par",
        "Zoë Brändström et José Muñoz; enregistrée",
        "à Malmö en été, façade «Ørsted», 1:45.",
    };
    int y = 40;
    for (const char* line : paragraph) {
        drawShadowed(small, line, view, 4, y);
        y += 6;
    }
    // Every glyph, with a little room between the lines to judge each shape.
    const char* charset[] = {
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789",
        "abcdefghijklmnopqrstuvwxyz !\"#$%&'()*+,-./",
        ":;<=>?@[\\]^_`{|}~ ¡¢£¤¥¦§¨©ª«¬®¯°±²³´µ¶·¸¹º»¼½¾¿",
        "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖ×ØÙÚÛÜÝÞß",
        "àáâãäåæçèéêëìíîïðñòóôõö÷øùúûüýþÿ",
    };
    y += 3;
    for (const char* line : charset) {
        drawShadowed(small, line, view, 4, y);
        y += 8;
    }
    // The last lines again in the large font, to see its accents.
    drawShadowed(large, "ÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞß", view, 4, y + 6);
    drawShadowed(large, "àáâãäåæçèéêëìíîïðñòóôõöøùúûüýþÿ ¡¿«»©®°±×÷", view, 4, y + 22);

    std::vector<uint8_t> rgb;
    for (uint32_t pixel : view)
        rgb.insert(rgb.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)});
    const std::vector<uint8_t> png = assetgen::encodeRgbPng(kWidth, kHeight, rgb);
    std::FILE* out = std::fopen(argv[1], "wb");
    if (out == nullptr || std::fwrite(png.data(), 1, png.size(), out) != png.size() || std::fclose(out) != 0) {
        std::fprintf(stderr, "render-text: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
