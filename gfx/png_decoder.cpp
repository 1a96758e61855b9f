// PNG decoding with libpng, from memory.
//
// Every pixel comes out as 0xAARRGGBB. Palette files: index 0 is transparent
// and every other index opaque, whatever the palette holds at 0 and whatever
// a tRNS chunk says (the skin art relies on that). RGB is opaque, RGBA keeps
// its alpha; grey-with-alpha files keep their size with every pixel zero.
// A damaged file leaves the image empty instead of aborting start-up.

#include "gfx/image.h"
#include "gfx/image_decoders.h"

#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t maxSide = 16384;

struct MemoryReader {
    const uint8_t* cursor;
    const uint8_t* end;
};

void readFromMemory(png_structp png, png_bytep destination, size_t length)
{
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > static_cast<size_t>(reader->end - reader->cursor))
        png_error(png, "read past the end of the file");
    std::memcpy(destination, reader->cursor, length);
    reader->cursor += length;
}

// Embedded files are ours; a broken one just yields an empty image, so
// libpng's diagnostics are not printed.
void silentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void silentWarning(png_structp, png_const_charp) {}

uint32_t argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) { return a << 24 | r << 16 | g << 8 | b; }

void convertRows(png_structp png, png_infop info, const uint8_t* rows, size_t rowBytes, uint32_t* out,
                 uint32_t width, uint32_t height)
{
    const int channels = png_get_channels(png, info);
    const int colourType = png_get_color_type(png, info);
    png_colorp palette = nullptr;
    int paletteSize = 0;
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_get_PLTE(png, info, &palette, &paletteSize);

    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* src = rows + y * rowBytes;
        uint32_t* dst = out + static_cast<size_t>(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            if (channels == 1 && colourType == PNG_COLOR_TYPE_PALETTE) {
                const int index = src[x];
                const uint32_t alpha = index == 0 ? 0 : 255;
                if (index < paletteSize)
                    dst[x] = argb(alpha, palette[index].red, palette[index].green, palette[index].blue);
                else
                    dst[x] = argb(alpha, 0, 0, 0); // never read outside the palette
            } else if (channels == 1) {
                dst[x] = argb(255, src[x], src[x], src[x]); // greyscale as grey RGB
            } else if (channels == 3) {
                dst[x] = argb(255, src[3 * x], src[3 * x + 1], src[3 * x + 2]);
            } else if (channels == 4) {
                dst[x] = argb(src[4 * x + 3], src[4 * x], src[4 * x + 1], src[4 * x + 2]);
            }
            // any other channel count: the pixel stays 0
        }
    }
}

} // namespace

void decodePng(CImage& image, const uint8_t* data, uint32_t size)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, silentError, silentWarning);
    if (png == nullptr)
        return;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return;
    }

    // Volatile: they change between setjmp and a possible longjmp.
    uint8_t* volatile rows = nullptr;
    png_bytep* volatile rowPointers = nullptr;
    uint32_t* volatile pixels = nullptr;
    MemoryReader reader{data + 8, data + size};

    if (setjmp(png_jmpbuf(png))) {
        std::free(rows);
        std::free(rowPointers);
        delete[] pixels;
        png_destroy_read_struct(&png, &info, nullptr);
        return;
    }

    png_set_user_limits(png, maxSide, maxSide);
    png_set_read_fn(png, &reader, readFromMemory);
    png_set_sig_bytes(png, 8);
    png_read_info(png, info);

    const uint32_t width = png_get_image_width(png, info);
    const uint32_t height = png_get_image_height(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    const int colourType = png_get_color_type(png, info);
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (bitDepth < 8 && colourType == PNG_COLOR_TYPE_GRAY)
        png_set_expand_gray_1_2_4_to_8(png);
    else if (bitDepth < 8)
        png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const size_t rowBytes = png_get_rowbytes(png, info);
    rows = static_cast<uint8_t*>(std::malloc(rowBytes * height));
    rowPointers = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (rows == nullptr || rowPointers == nullptr)
        png_error(png, "out of memory");
    for (uint32_t y = 0; y < height; ++y)
        rowPointers[y] = rows + y * rowBytes;
    png_read_image(png, rowPointers);
    png_read_end(png, nullptr);

    pixels = new uint32_t[static_cast<size_t>(width) * height]();
    convertRows(png, info, rows, rowBytes, pixels, width, height);

    std::free(rows);
    std::free(rowPointers);
    png_destroy_read_struct(&png, &info, nullptr);

    image.pixels = pixels;
    image.width = image.bufferWidth = static_cast<int32_t>(width);
    image.height = image.bufferHeight = static_cast<int32_t>(height);
    image.rowSkip = 0;
}
