// The height map: a 256x256 grey cloud of fractal gradient noise that tiles
// in both directions, stretched to use the whole 0..255 range, stored as a
// baseline three-component JPEG at a fixed quality.

#include "tools/assetgen/file_util.h"
#include "tools/assetgen/generators.h"
#include "tools/assetgen/tile_noise.h"

#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace assetgen {

namespace {

constexpr int kSize = 256;
constexpr int kQuality = 92;

std::vector<uint8_t> cloud()
{
    std::vector<double> heights(kSize * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            heights[y * kSize + x] = tileFractal(double(x) / kSize, double(y) / kSize, 4, 6, 0.55, 1234u);
    const auto [low, high] = std::minmax_element(heights.begin(), heights.end());
    const double lowest = *low, range = *high - *low;
    std::vector<uint8_t> grey(heights.size());
    for (size_t i = 0; i < heights.size(); ++i)
        grey[i] = static_cast<uint8_t>((heights[i] - lowest) / range * 255.0 + 0.5);
    return grey;
}

void failJpeg(j_common_ptr info)
{
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    std::fprintf(stderr, "assetgen: JPEG encoding failed: %s\n", message);
    std::exit(1);
}

std::vector<uint8_t> encodeGreyAsRgbJpeg(const std::vector<uint8_t>& grey)
{
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    errors.error_exit = failJpeg;
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = kSize;
    info.image_height = kSize;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info); // baseline, standard Huffman tables
    jpeg_set_quality(&info, kQuality, TRUE);
    info.dct_method = JDCT_ISLOW; // the exact integer transform: same bytes everywhere
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(kSize * 3);
    while (info.next_scanline < info.image_height) {
        const uint8_t* line = grey.data() + info.next_scanline * kSize;
        for (int x = 0; x < kSize; ++x)
            row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = line[x];
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    std::vector<uint8_t> out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

} // namespace

bool writeHeightMap(const std::filesystem::path& outDir)
{
    return writeFile(outDir, "effects/heightmap.jpg", encodeGreyAsRgbJpeg(cloud()));
}

} // namespace assetgen
