// Prints "x y": a point well inside the control of the given colour in the
// hit map (the pixel farthest from any other colour), so the tests press
// where the program itself looks, whatever the artwork's shapes.
//
//   hitmap_point HITMAP_PNG 0xAARRGGBB

#include "gfx/image.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

// How many rings of the same colour surround (x, y), up to `limit`.
int inset(const CImage& map, int x, int y, uint32_t colour, int limit)
{
    for (int r = 1; r <= limit; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx) {
                const int px = x + dx, py = y + dy;
                if (px < 0 || py < 0 || px >= map.width || py >= map.height || map.pixel(px, py) != colour)
                    return r - 1;
            }
    return limit;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: hitmap_point HITMAP_PNG 0xAARRGGBB\n", stderr);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const CImage map(file.data(), uint32_t(file.size()));
    const uint32_t colour = uint32_t(std::strtoul(argv[2], nullptr, 16));
    int bestX = -1, bestY = -1, bestInset = -1;
    for (int y = 0; y < map.height; ++y)
        for (int x = 0; x < map.width; ++x)
            if (map.pixel(x, y) == colour) {
                const int depth = inset(map, x, y, colour, 12);
                if (depth > bestInset) {
                    bestInset = depth;
                    bestX = x;
                    bestY = y;
                }
            }
    if (bestInset < 0) {
        std::fprintf(stderr, "hitmap_point: no pixel of colour %s\n", argv[2]);
        return 1;
    }
    std::printf("%d %d\n", bestX, bestY);
    return 0;
}
