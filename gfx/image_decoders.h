// The two decoders behind CImage. Each leaves the image empty when the file
// cannot be decoded; neither prints anything.
#pragma once

#include <cstdint>

class CImage;

void decodePng(CImage& image, const uint8_t* data, uint32_t size);
void decodePicture(CImage& image, const uint8_t* data, uint32_t size);
