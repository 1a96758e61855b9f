// JPEG decoding with libjpeg-turbo: the picture at its own size, top row
// first, every pixel opaque. Anything it cannot read leaves the image empty
// without a message.

#include "gfx/image.h"
#include "gfx/image_decoders.h"

#include <cstdio> // jpeglib.h needs FILE
#include <jpeglib.h>

#include <csetjmp>

namespace {

constexpr JDIMENSION maxSide = 16384;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1);
}

void onMessage(j_common_ptr, int) {}

} // namespace

void decodePicture(CImage& image, const uint8_t* data, uint32_t size)
{
    jpeg_decompress_struct info;
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = onError;
    errors.base.emit_message = onMessage;
    uint32_t* volatile pixels = nullptr;

    if (setjmp(errors.jump)) {
        delete[] pixels;
        jpeg_destroy_decompress(&info);
        return;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, size);
    jpeg_read_header(&info, TRUE);
    // BGRA bytes with an opaque fourth byte are the little-endian 0xAARRGGBB.
    info.out_color_space = JCS_EXT_BGRA;
    if (info.image_width > maxSide || info.image_height > maxSide)
        longjmp(errors.jump, 1);
    jpeg_start_decompress(&info);

    const JDIMENSION width = info.output_width;
    const JDIMENSION height = info.output_height;
    pixels = new uint32_t[static_cast<size_t>(width) * height]();
    while (info.output_scanline < height) {
        JSAMPROW row = reinterpret_cast<JSAMPROW>(pixels + static_cast<size_t>(info.output_scanline) * width);
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);

    image.pixels = pixels;
    image.width = image.bufferWidth = static_cast<int32_t>(width);
    image.height = image.bufferHeight = static_cast<int32_t>(height);
    image.rowSkip = 0;
}
