#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <emmintrin.h>

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

// The sample depths z = 1, 5, ..., 253 as floats, four lanes at a time.
// Dividing in single precision and truncating gives exactly the integer
// quotient truncated toward zero here: |n| < 2^15 and z <= 253, so a
// quotient that is not an integer lies at least 1/z from one, far more than
// the division's rounding error (at most |n / z| * 2^-24).
struct SampleDepths {
    __m128 depth[kSamplesPerRay / 4];
    SampleDepths()
    {
        for (int s = 0; s < kSamplesPerRay; s += 4)
            depth[s / 4] = _mm_setr_ps(1.0f + 4 * s, 5.0f + 4 * s, 9.0f + 4 * s, 13.0f + 4 * s);
    }
};

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

// Truncating division by 256: toward zero, as the interpolation wants
// (an arithmetic shift alone would floor falling slopes).
inline __m128i divideBy256(__m128i v)
{
    const __m128i bias = _mm_and_si128(_mm_srai_epi32(v, 31), _mm_set1_epi32(255));
    return _mm_srai_epi32(_mm_add_epi32(v, bias), 8);
}

// a + tdiv((b - a) * f, 256) per lane. The difference lies in -255..255 and
// f in 0..255, so one 16-bit multiply-add forms the product exactly.
inline __m128i interpolate(__m128i a, __m128i b, __m128i f)
{
    return _mm_add_epi32(a, divideBy256(_mm_madd_epi16(_mm_sub_epi32(b, a), f)));
}

inline __m128i gatherHeights(const uint32_t* heights, __m128i index)
{
    alignas(16) int32_t at[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(at), index);
    return _mm_setr_epi32(static_cast<int32_t>(heights[at[0]] & 0xFF), static_cast<int32_t>(heights[at[1]] & 0xFF),
                          static_cast<int32_t>(heights[at[2]] & 0xFF), static_cast<int32_t>(heights[at[3]] & 0xFF));
}

// The projected height of every sample of a ray, four samples at a time:
// the same bilinear height and truncated division as SampleHeight and the
// plain projection p = (h - camH) * 64 / z + 100.
void projectRay(const uint32_t* heights, const SampleDepths& depths, int32_t x, int32_t y, int32_t dx, int32_t dy,
                int32_t cameraHeight, int32_t (&projected)[kSamplesPerRay])
{
    auto at = [](int32_t start, int32_t step, int s) {
        return static_cast<int32_t>(static_cast<uint32_t>(start) + static_cast<uint32_t>(s) * static_cast<uint32_t>(step));
    };
    __m128i px = _mm_setr_epi32(at(x, dx, 0), at(x, dx, 1), at(x, dx, 2), at(x, dx, 3));
    __m128i py = _mm_setr_epi32(at(y, dy, 0), at(y, dy, 1), at(y, dy, 2), at(y, dy, 3));
    const __m128i stepX = _mm_set1_epi32(at(0, dx, 4));
    const __m128i stepY = _mm_set1_epi32(at(0, dy, 4));
    const __m128i low = _mm_set1_epi32(255);
    const __m128i one = _mm_set1_epi32(1);
    const __m128i camera = _mm_set1_epi32(cameraHeight);
    const __m128i horizon = _mm_set1_epi32(100);
    for (int s = 0; s < kSamplesPerRay; s += 4) {
        const __m128i cellX = _mm_srai_epi32(px, 8);
        const __m128i cellY = _mm_srai_epi32(py, 8);
        const __m128i xi = _mm_and_si128(cellX, low);
        const __m128i xn = _mm_and_si128(_mm_add_epi32(cellX, one), low);
        const __m128i rowI = _mm_slli_epi32(_mm_and_si128(cellY, low), 8);
        const __m128i rowN = _mm_slli_epi32(_mm_and_si128(_mm_add_epi32(cellY, one), low), 8);
        const __m128i fx = _mm_and_si128(px, low);
        const __m128i fy = _mm_and_si128(py, low);
        const __m128i top = interpolate(gatherHeights(heights, _mm_add_epi32(rowI, xi)),
                                        gatherHeights(heights, _mm_add_epi32(rowI, xn)), fx);
        const __m128i bottom = interpolate(gatherHeights(heights, _mm_add_epi32(rowN, xi)),
                                           gatherHeights(heights, _mm_add_epi32(rowN, xn)), fx);
        const __m128i h = interpolate(top, bottom, fy);
        const __m128 n = _mm_cvtepi32_ps(_mm_slli_epi32(_mm_sub_epi32(h, camera), 6));
        const __m128i p = _mm_add_epi32(_mm_cvttps_epi32(_mm_div_ps(n, depths.depth[s / 4])), horizon);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(projected + s), p);
        px = _mm_add_epi32(px, stepX);
        py = _mm_add_epi32(py, stepY);
    }
}

// One column: first every sample's projected height (no branches, four at
// a time), then the front-to-back fill, where each sample that rises above
// what is drawn paints the rows up to its height.
void castColumn(const uint32_t* heights, const CImage& texture, const Camera& camera, const SampleDepths& depths,
                int column, uint32_t* view)
{
    const float angle = static_cast<float>(column / 320.0 * 1.5 + static_cast<double>(camera.heading));
    const int32_t dx = static_cast<int32_t>(static_cast<double>(singleCosine(angle)) * 128);
    const int32_t dy = static_cast<int32_t>(static_cast<double>(singleSine(angle)) * 128);
    int32_t projected[kSamplesPerRay];
    projectRay(heights, depths, camera.x, camera.y, dx, dy, camera.height, projected);
    int32_t drawn = 0;
    for (int s = 0; s < kSamplesPerRay; ++s) {
        int32_t p = projected[s];
        if (p <= drawn)
            continue; // hidden behind nearer terrain
        if (p > kLowestRow)
            p = kLowestRow;
        if (p <= drawn)
            continue;
        // Positions stay within map cells 64..192, so these sums never wrap.
        const int32_t x = camera.x + s * dx;
        const int32_t y = camera.y + s * dy;
        const uint32_t colour = texture.pixels[((y / 256) & 63) * kTextureSize + ((x / 256) & 63)];
        for (int32_t row = kLowestRow - drawn; row >= kViewHeight - p; --row)
            view[row * kViewWidth + column] = colour;
        drawn = p;
        if (drawn == kLowestRow)
            break; // the column is full up to its clamp
    }
}

} // namespace

int32_t SampleHeight(const CImage& heightMap, int32_t x, int32_t y)
{
    return sampleHeight(heightMap.pixels, x, y);
}

void DrawVoxelTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    static const SampleDepths depths;
    const uint32_t* heights = effects.heightMap->pixels;
    const Camera camera = placeCamera(heights, ms);
    for (int column = 0; column < kViewWidth; ++column)
        castColumn(heights, texture, camera, depths, column, view);
}
