// The two picture textures: a dark figure standing on blue tiles, and the
// film's emblem, a gold "Q2" on brushed dark metal. The shapes stay inside
// the tile and the backgrounds repeat, so both tile seamlessly.

#include "tools/assetgen/texture_art.h"
#include "tools/assetgen/tile_noise.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

double circleDistance(double x, double y, double cx, double cy, double radius)
{
    return std::hypot(x - cx, y - cy) - radius;
}

Colour blueTile(int x, int y)
{
    constexpr int kTile = 16;
    const int lx = x % kTile, ly = y % kTile;
    if (lx == 0 || ly == 0)
        return {10, 20, 60}; // grout
    const double u = double(x) / kTextureSize, v = double(y) / kTextureSize;
    const Colour face = ((x / kTile + y / kTile) % 2 == 0) ? Colour{40, 90, 190} : Colour{55, 110, 210};
    Colour c = scale(face, 0.88 + 0.12 * tileFractal(u, v, 8, 2, 0.5, 41u));
    if (lx == 1 || ly == 1)
        c = mix(c, Colour{170, 200, 255}, 0.4);
    else if (lx == kTile - 1 || ly == kTile - 1)
        c = scale(c, 0.6);
    return c;
}

double figureDistance(double x, double y)
{
    double d = circleDistance(x, y, 20, 9.5, 4.5);                        // head
    d = std::min(d, capsuleDistance(x, y, 20, 17, 20, 33, 5.0));          // body
    d = std::min(d, capsuleDistance(x, y, 17, 18, 9, 30, 2.2));           // arm hanging
    d = std::min(d, capsuleDistance(x, y, 23, 18, 32, 11, 2.2));          // arm raised
    d = std::min(d, capsuleDistance(x, y, 18, 34, 14, 55, 2.6));          // legs
    d = std::min(d, capsuleDistance(x, y, 22, 34, 27, 55, 2.6));
    return d;
}

double qDistance(double x, double y)
{
    const double ring = std::max(circleDistance(x, y, 30, 29, 22), -circleDistance(x, y, 30, 29, 15));
    // A swash tail leaves the foot of the ring and turns up at its end.
    const double tail = std::min(capsuleDistance(x, y, 30, 47, 46, 54, 3.6), capsuleDistance(x, y, 46, 54, 58, 49, 2.6));
    return std::min(ring, tail);
}

double twoDistance(double x, double y)
{
    static const double stroke[][2] = {{24, 22}, {27, 19}, {33, 19}, {36, 22}, {36, 25}, {24, 37}, {37, 37}};
    double d = 1e9;
    for (int i = 0; i + 1 < 7; ++i)
        d = std::min(d, capsuleDistance(x, y, stroke[i][0], stroke[i][1], stroke[i + 1][0], stroke[i + 1][1], 2.0));
    return d;
}

double emblemDistance(double x, double y) { return std::min(qDistance(x, y), twoDistance(x, y)); }

Colour brushedMetal(int x, int y)
{
    const double u = double(x) / kTextureSize, v = double(y) / kTextureSize;
    const double grain = 0.5 + 0.5 * std::sin(kTau * 12 * (u + v) + 2.5 * tileNoise(u, v, 8, 51u));
    return scale(Colour{42, 48, 66}, 0.8 + 0.25 * grain);
}

} // namespace

Picture figureTexture()
{
    const Colour body{14, 12, 24}, rim{90, 110, 170};
    Picture picture;
    for (int y = 0; y < kTextureSize; ++y)
        for (int x = 0; x < kTextureSize; ++x) {
            Colour c = blueTile(x, y);
            const double shadow = coverage(x - 3, y - 2, figureDistance);
            c = scale(c, 1 - 0.5 * shadow);
            const double inside = coverage(x, y, figureDistance);
            // A lighter rim on the upper left, where the figure meets the light.
            const double edge = inside - coverage(x, y, [](double px, double py) {
                                    return figureDistance(px + 1, py + 1) + 0.2;
                                });
            c = mix(c, mix(body, rim, std::clamp(edge, 0.0, 1.0) * 0.6), inside);
            picture.push_back(c);
        }
    return picture;
}

Picture emblemTexture()
{
    const Colour goldTop{255, 228, 140}, goldBottom{185, 105, 25}, outline{60, 30, 8};
    Picture picture;
    for (int y = 0; y < kTextureSize; ++y)
        for (int x = 0; x < kTextureSize; ++x) {
            Colour c = brushedMetal(x, y);
            const auto grown = [](double px, double py) { return emblemDistance(px, py) - 1.2; };
            c = scale(c, 1 - 0.55 * coverage(x - 2, y - 2, grown)); // drop shadow
            c = mix(c, outline, coverage(x, y, grown));
            const double shine = 0.5 + 0.5 * std::sin(kTau * (x - y) / 64.0 * 1.0);
            const Colour gold = mix(goldTop, goldBottom, std::clamp((y - 6) / 50.0 + 0.25 * (shine - 0.5), 0.0, 1.0));
            c = mix(c, gold, coverage(x, y, emblemDistance));
            picture.push_back(c);
        }
    return picture;
}

} // namespace assetgen
