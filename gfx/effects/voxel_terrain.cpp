#include "gfx/effects/passes.h"
#include "gfx/frame.h"

namespace {

constexpr int kSamplesPerRay = 64;
constexpr int kLowestRow = kViewHeight - 1;

// Height map cell; the row length is fixed at 256, whatever the image says.
inline int32_t cellHeight(const uint32_t* heights, int32_t row, int32_t col)
{
    return static_cast<int32_t>(heights[row * kHeightMapSize + col] & 0xFF);
}

inline int32_t sampleHeight(const uint32_t* heights, int32_t x, int32_t y)
{
    const int32_t xi = (x >> 8) & 255;
    const int32_t yi = (y >> 8) & 255;
    const int32_t xn = ((x >> 8) + 1) & 255;
    const int32_t yn = ((y >> 8) + 1) & 255;
    const int32_t fx = x & 255;
    const int32_t fy = y & 255;
    // Signed division truncates toward zero, as the interpolation wants;
    // floor (an arithmetic shift) would differ for falling slopes.
    const int32_t topLeft = cellHeight(heights, yi, xi);
    const int32_t bottomLeft = cellHeight(heights, yn, xi);
    const int32_t top = topLeft + (cellHeight(heights, yi, xn) - topLeft) * fx / 256;
    const int32_t bottom = bottomLeft + (cellHeight(heights, yn, xn) - bottomLeft) * fx / 256;
    return top + (bottom - top) * fy / 256;
}

// Division by the ray depth z, truncated toward zero, as a multiplication:
// with m = floor(2^32 / z) + 1, (n * m) >> 32 equals n / z for every
// 0 <= n < 2^24. The projected numerators stay below 2^15 in magnitude.
struct DepthDivisors {
    uint64_t magic[kSamplesPerRay] = {};
    constexpr DepthDivisors()
    {
        for (int s = 0; s < kSamplesPerRay; ++s)
            magic[s] = (uint64_t{1} << 32) / static_cast<uint64_t>(1 + 4 * s) + 1;
    }
};

inline int32_t divideByDepth(int32_t n, uint64_t magic)
{
    const uint64_t magnitude = static_cast<uint64_t>(n < 0 ? -n : n);
    const int32_t quotient = static_cast<int32_t>((magnitude * magic) >> 32);
    return n < 0 ? -quotient : quotient;
}

struct Camera {
    int32_t x, y, height;
    float heading;
};

Camera placeCamera(const uint32_t* heights, uint32_t ms)
{
    Camera camera;
    // Unnamed intermediates are double precision; the named angle and the
    // sines and cosines are rounded to float.
    camera.heading = static_cast<float>(static_cast<double>(ms) / 4000.0);
    camera.x = static_cast<int32_t>(static_cast<double>(singleSine(camera.heading)) * 32 * 256 + 32768);
    camera.y = static_cast<int32_t>(static_cast<double>(singleCosine(camera.heading)) * 32 * 256 + 32768);
    camera.height = sampleHeight(heights, camera.x, camera.y) + 80;
    return camera;
}

void castColumn(const uint32_t* heights, const CImage& texture, const Camera& camera, const DepthDivisors& divisors,
                int column, uint32_t* view)
{
    const float angle = static_cast<float>(column / 320.0 * 1.5 + static_cast<double>(camera.heading));
    const int32_t dx = static_cast<int32_t>(static_cast<double>(singleCosine(angle)) * 128);
    const int32_t dy = static_cast<int32_t>(static_cast<double>(singleSine(angle)) * 128);
    int32_t x = camera.x;
    int32_t y = camera.y;
    int32_t drawn = 0;
    for (int s = 0; s < kSamplesPerRay; ++s, x += dx, y += dy) {
        const int32_t h = sampleHeight(heights, x, y);
        int32_t p = divideByDepth((h - camera.height) * 64, divisors.magic[s]) + 100;
        if (p <= drawn)
            continue; // hidden behind nearer terrain
        if (p > kLowestRow)
            p = kLowestRow;
        if (p <= drawn)
            continue;
        const uint32_t colour = texture.pixels[((y / 256) & 63) * kTextureSize + ((x / 256) & 63)];
        for (int32_t row = kLowestRow - drawn; row >= kViewHeight - p; --row)
            view[row * kViewWidth + column] = colour;
        drawn = p;
        if (drawn == kLowestRow)
            return; // the column is full up to its clamp: nothing more can show
    }
}

} // namespace

int32_t SampleHeight(const CImage& heightMap, int32_t x, int32_t y)
{
    return sampleHeight(heightMap.pixels, x, y);
}

void DrawVoxelTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    static constexpr DepthDivisors divisors;
    const uint32_t* heights = effects.heightMap->pixels;
    const Camera camera = placeCamera(heights, ms);
    for (int column = 0; column < kViewWidth; ++column)
        castColumn(heights, texture, camera, divisors, column, view);
}
