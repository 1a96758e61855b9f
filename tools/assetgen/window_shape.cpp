// The window outline: region data of a 32-byte header and nine rectangles
// that cut the corners over five pixels and leave out the last column.

#include "tools/assetgen/file_util.h"
#include "tools/assetgen/generators.h"

namespace assetgen {

namespace {

struct Rect {
    int32_t left, top, right, bottom; // right and bottom exclusive
};

constexpr Rect outline[] = {
    {5, 0, 332, 1},     {3, 1, 334, 2},     {2, 2, 335, 3},
    {1, 3, 336, 5},     {0, 5, 336, 438},   {1, 438, 336, 440},
    {2, 440, 335, 441}, {3, 441, 334, 442}, {5, 442, 332, 443},
};

void put32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

bool writeWindowShape(const std::filesystem::path& outDir)
{
    constexpr uint32_t headerSize = 32;
    constexpr uint32_t rectangleType = 1;
    constexpr uint32_t count = sizeof outline / sizeof outline[0];
    std::vector<uint8_t> bytes;
    put32(bytes, headerSize);
    put32(bytes, rectangleType);
    put32(bytes, count);
    put32(bytes, count * 16);
    for (int32_t v : {0, 0, 336, 443}) // bounding box
        put32(bytes, static_cast<uint32_t>(v));
    for (const Rect& r : outline)
        for (int32_t v : {r.left, r.top, r.right, r.bottom})
            put32(bytes, static_cast<uint32_t>(v));
    return writeFile(outDir, "window_shape.bin", bytes);
}

} // namespace assetgen
