// The six 64x64 effect textures, painted in floating point and packed to
// 8-bit samples. Every picture repeats seamlessly: its patterns have whole
// periods across the tile and its shapes stay inside it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace assetgen {

constexpr int kTextureSize = 64;
constexpr double kTau = 6.283185307179586;

struct Colour {
    double r, g, b; // 0..255
};

using Picture = std::vector<Colour>; // kTextureSize rows of kTextureSize colours

Colour mix(Colour a, Colour b, double t);
Colour scale(Colour c, double factor);

// Signed distance (negative inside) from a point in pixel units to a shape.
using SignedDistance = std::function<double(double x, double y)>;
// How much of pixel (x, y) the shape covers, 0..1, from 4x4 samples.
double coverage(int x, int y, const SignedDistance& shape);
double capsuleDistance(double x, double y, double ax, double ay, double bx, double by, double radius);

Picture swirlTexture();
Picture veinTexture();
Picture redLineTexture();
Picture chequerTexture();
Picture figureTexture();
Picture emblemTexture();

std::vector<uint8_t> packRgb(const Picture& picture);
std::vector<uint8_t> packRgba(const Picture& picture); // fully opaque

} // namespace assetgen
