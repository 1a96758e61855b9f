#include "tools/assetgen/png_writer.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace assetgen {

namespace {

void appendToVector(png_structp png, png_bytep data, size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void noFlush(png_structp) {}

std::vector<uint8_t> encode(int width, int height, int colourType, int bytesPerPixel, const uint8_t* pixels,
                            const std::vector<PaletteEntry>* palette, int transparentEntries)
{
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "assetgen: PNG encoding failed\n");
        std::exit(1);
    }
    png_set_write_fn(png, &out, appendToVector, noFlush);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> plte;
    std::vector<png_byte> trns;
    if (palette != nullptr) {
        for (const PaletteEntry& e : *palette)
            plte.push_back({e.r, e.g, e.b});
        png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
        if (transparentEntries > 0) {
            trns.assign(static_cast<size_t>(transparentEntries), 0);
            png_set_tRNS(png, info, trns.data(), transparentEntries, nullptr);
        }
    }
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, pixels + static_cast<size_t>(y) * width * bytesPerPixel);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace

std::vector<uint8_t> encodePalettePng(int width, int height, const std::vector<uint8_t>& indices,
                                      const std::vector<PaletteEntry>& palette, int transparentEntries)
{
    return encode(width, height, PNG_COLOR_TYPE_PALETTE, 1, indices.data(), &palette, transparentEntries);
}

std::vector<uint8_t> encodeRgbPng(int width, int height, const std::vector<uint8_t>& rgb)
{
    return encode(width, height, PNG_COLOR_TYPE_RGB, 3, rgb.data(), nullptr, 0);
}

std::vector<uint8_t> encodeRgbaPng(int width, int height, const std::vector<uint8_t>& rgba)
{
    return encode(width, height, PNG_COLOR_TYPE_RGBA, 4, rgba.data(), nullptr, 0);
}

} // namespace assetgen
