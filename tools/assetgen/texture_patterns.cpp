// The four opaque pattern textures. Each pattern is a function of the tile
// coordinates u, v in 0..1 built from whole periods, so it repeats exactly.

#include "tools/assetgen/texture_art.h"
#include "tools/assetgen/tile_noise.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

template <typename Paint>
Picture paint(Paint colourAt)
{
    Picture picture;
    picture.reserve(kTextureSize * kTextureSize);
    for (int y = 0; y < kTextureSize; ++y)
        for (int x = 0; x < kTextureSize; ++x)
            picture.push_back(colourAt(double(x) / kTextureSize, double(y) / kTextureSize, x, y));
    return picture;
}

// Distance along one axis on a ring of `period` pixels.
double wrappedDistance(double a, double b, double period)
{
    double d = std::fmod(std::fabs(a - b), period);
    return std::min(d, period - d);
}

} // namespace

Picture swirlTexture()
{
    const Colour green{30, 200, 80}, violet{150, 50, 210}, deep{16, 8, 36};
    return paint([&](double u, double v, int, int) {
        // Bands bent by noise twice over give marbled swirls.
        const double bendU = u + 0.18 * tileFractal(u, v, 2, 3, 0.5, 11u);
        const double bendV = v + 0.18 * tileFractal(u, v, 2, 3, 0.5, 13u);
        const double warp = 3.0 * tileFractal(bendU - std::floor(bendU), bendV - std::floor(bendV), 2, 3, 0.5, 12u);
        const double bands = std::sin(kTau * (3 * u + 2 * v) + 5 * warp);
        const double hue = 0.5 + 0.5 * std::sin(kTau * (u - v) + 3 * warp);
        const double light = 0.35 + 0.65 * std::pow(0.5 + 0.5 * bands, 0.7);
        return mix(deep, mix(violet, green, hue), light);
    });
}

Picture veinTexture()
{
    const Colour ground{28, 8, 40}, shade{12, 3, 20}, vein{150, 80, 200};
    return paint([&](double u, double v, int, int) {
        const double n = tileFractal(u, v, 4, 4, 0.5, 21u);
        const double ridge = 1 - std::fabs(n) * 3.2;
        const double veins = std::pow(std::clamp(ridge, 0.0, 1.0), 6);
        const double mottle = 0.5 + 0.5 * tileFractal(u, v, 8, 2, 0.5, 22u);
        return mix(mix(shade, ground, mottle), vein, veins);
    });
}

Picture redLineTexture()
{
    const Colour black{0, 0, 0}, red{215, 20, 15}, hot{255, 150, 110};
    return paint([&](double u, double, int x, int y) {
        double glow = 0;
        // Four wavy horizontal lines and four straight vertical ones.
        for (int k = 0; k < 4; ++k) {
            const double lineY = 8 + 16 * k + 3.5 * std::sin(kTau * (2 * u) + k * 1.7);
            glow = std::max(glow, std::exp(-std::pow(wrappedDistance(y, lineY, kTextureSize) / 0.9, 2)));
            const double lineX = 4 + 16 * k;
            const double dash = (y / 4 + k) % 4 != 0 ? 0.7 : 0.0; // broken every fourth stretch
            glow = std::max(glow, dash * std::exp(-std::pow(wrappedDistance(x, lineX, kTextureSize) / 0.6, 2)));
        }
        const Colour line = mix(red, hot, std::pow(glow, 4));
        return mix(black, line, std::clamp(glow * 1.2, 0.0, 1.0));
    });
}

Picture chequerTexture()
{
    const Colour dark{20, 45, 130}, light{60, 120, 225};
    constexpr int kTile = 8;
    return paint([&](double u, double v, int x, int y) {
        const int lx = x % kTile, ly = y % kTile;
        Colour c = ((x / kTile + y / kTile) % 2 == 0) ? dark : light;
        c = scale(c, 0.9 + 0.1 * tileNoise(u, v, 8, 31u));
        if (lx == 0 || ly == 0)
            c = mix(c, Colour{200, 220, 255}, 0.35); // lit bevel
        else if (lx == kTile - 1 || ly == kTile - 1)
            c = scale(c, 0.55); // shaded bevel
        return c;
    });
}

} // namespace assetgen
