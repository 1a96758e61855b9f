#include "gfx/image.h"

#include "assets/assets.h"
#include "gfx/image_decoders.h"

#include <png.h>

CImage::CImage(const uint8_t* data, uint32_t size)
{
    if (data != nullptr && size >= 8 && png_sig_cmp(data, 0, 8) == 0)
        decodePng(*this, data, size);
    else if (data != nullptr)
        decodePicture(*this, data, size);
}

CImage::CImage(const AssetBlob& blob) : CImage(blob.bytes, blob.count) {}

CImage::~CImage()
{
    delete[] pixels;
    delete[] auxPixels;
    pixels = nullptr;
    auxPixels = nullptr;
}
