// Writes the six effect textures in slot order: four RGB patterns, then the
// two RGBA pictures.

#include "tools/assetgen/file_util.h"
#include "tools/assetgen/generators.h"
#include "tools/assetgen/png_writer.h"
#include "tools/assetgen/texture_art.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace assetgen {

Colour mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scale(Colour c, double factor) { return {c.r * factor, c.g * factor, c.b * factor}; }

double coverage(int x, int y, const SignedDistance& shape)
{
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx)
            if (shape(x + (sx + 0.5) / 4, y + (sy + 0.5) / 4) < 0)
                ++inside;
    return inside / 16.0;
}

double capsuleDistance(double x, double y, double ax, double ay, double bx, double by, double radius)
{
    const double dx = bx - ax, dy = by - ay;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / length2, 0.0, 1.0) : 0.0;
    const double px = x - (ax + dx * t), py = y - (ay + dy * t);
    return std::sqrt(px * px + py * py) - radius;
}

namespace {

uint8_t sample(double value) { return static_cast<uint8_t>(std::clamp(value + 0.5, 0.0, 255.0)); }

} // namespace

std::vector<uint8_t> packRgb(const Picture& picture)
{
    std::vector<uint8_t> out;
    for (const Colour& c : picture)
        out.insert(out.end(), {sample(c.r), sample(c.g), sample(c.b)});
    return out;
}

std::vector<uint8_t> packRgba(const Picture& picture)
{
    std::vector<uint8_t> out;
    for (const Colour& c : picture)
        out.insert(out.end(), {sample(c.r), sample(c.g), sample(c.b), 255});
    return out;
}

bool writeTextures(const std::filesystem::path& outDir)
{
    const Picture opaque[] = {swirlTexture(), veinTexture(), redLineTexture(), chequerTexture()};
    const Picture withAlpha[] = {figureTexture(), emblemTexture()};
    int slot = 0;
    for (const Picture& p : opaque)
        if (!writeFile(outDir, "effects/texture" + std::to_string(slot++) + ".png",
                       encodeRgbPng(kTextureSize, kTextureSize, packRgb(p))))
            return false;
    for (const Picture& p : withAlpha)
        if (!writeFile(outDir, "effects/texture" + std::to_string(slot++) + ".png",
                       encodeRgbaPng(kTextureSize, kTextureSize, packRgba(p))))
            return false;
    return true;
}

} // namespace assetgen
