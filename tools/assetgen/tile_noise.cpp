#include "tools/assetgen/tile_noise.h"

#include <cmath>

namespace assetgen {

namespace {

uint32_t hash(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = seed * 0x9E3779B9u ^ x * 0x85EBCA6Bu ^ y * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

// Eight fixed directions keep the lattice free of library trigonometry.
void gradient(int cx, int cy, int cells, uint32_t seed, double& gx, double& gy)
{
    static const double directions[8][2] = {{1, 0},           {-1, 0},           {0, 1},           {0, -1},
                                            {0.7071, 0.7071}, {-0.7071, 0.7071}, {0.7071, -0.7071}, {-0.7071, -0.7071}};
    const uint32_t wrappedX = static_cast<uint32_t>(((cx % cells) + cells) % cells);
    const uint32_t wrappedY = static_cast<uint32_t>(((cy % cells) + cells) % cells);
    const double* d = directions[hash(wrappedX, wrappedY, seed) & 7];
    gx = d[0];
    gy = d[1];
}

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

double cornerDot(int cx, int cy, double dx, double dy, int cells, uint32_t seed)
{
    double gx, gy;
    gradient(cx, cy, cells, seed, gx, gy);
    return gx * dx + gy * dy;
}

} // namespace

double tileNoise(double u, double v, int cells, uint32_t seed)
{
    const double x = u * cells, y = v * cells;
    const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
    const double fx = x - cx, fy = y - cy;
    const double n00 = cornerDot(cx, cy, fx, fy, cells, seed);
    const double n10 = cornerDot(cx + 1, cy, fx - 1, fy, cells, seed);
    const double n01 = cornerDot(cx, cy + 1, fx, fy - 1, cells, seed);
    const double n11 = cornerDot(cx + 1, cy + 1, fx - 1, fy - 1, cells, seed);
    const double sx = fade(fx), sy = fade(fy);
    const double top = n00 + (n10 - n00) * sx;
    const double bottom = n01 + (n11 - n01) * sx;
    return (top + (bottom - top) * sy) * 1.4142;
}

double tileFractal(double u, double v, int cells, int octaves, double gain, uint32_t seed)
{
    double sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * tileNoise(u, v, cells, seed + static_cast<uint32_t>(i) * 101u);
        total += amplitude;
        amplitude *= gain;
        cells *= 2;
    }
    return sum / total;
}

} // namespace assetgen
