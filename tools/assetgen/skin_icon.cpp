// The window icon: a small lacquered tile with a metal play button, drawn on
// a 32-unit grid at any size. Distances are scaled back to pixels, so edges
// stay one pixel soft at every size and the large icons are sharp, not
// enlarged.

#include "tools/assetgen/skin_art.h"

#include <algorithm>

namespace assetgen {

std::vector<uint8_t> paintIcon(int size)
{
    const float s = static_cast<float>(size) / 32.0f;
    const auto grid = [s](Vec2 p) { return Vec2{p.x / s, p.y / s}; };
    Canvas canvas(size, size, rgb(0x000000));
    const Box all{0, 0, size - 1, size - 1};
    const Shape tile = [s, grid](Vec2 p) { return s * roundRect(grid(p), 1.0f, 1.0f, 31.0f, 31.0f, 6.0f); };
    fill(canvas, all, [](Vec2) { return -1.0f; }, [s](Vec2 p) {
        const float v = 20.0f + 30.0f * std::max(0.0f, 1.0f - p.y / s / 14.0f);
        return Rgb{v, v, v + 4.0f};
    });
    const Shape rim = [&tile, s](Vec2 p) { return std::max(tile(p), -(tile(p) + 1.5f * s)); };
    fill(canvas, all, rim, [&tile](Vec2 p) { return offset(rgb(0x50535C), 60.0f * facingLight(outwardNormal(tile, p))); });
    const Shape stripe = [&tile, s](Vec2 p) { return std::abs(tile(p) + 3.5f * s) - 0.5f * s; };
    fill(canvas, all, stripe, rgb(0x9E1E18), 0.8f);
    const Vec2 centre{16.0f * s, 16.0f * s};
    const Shape bezel = [centre, s](Vec2 p) { return circle(p, centre, 11.5f * s); };
    fill(canvas, all, bezel, [&bezel](Vec2 p) { return offset(rgb(0x5A5D66), -70.0f * facingLight(outwardNormal(bezel, p))); });
    const Shape face = [centre, s](Vec2 p) { return circle(p, centre, 10.0f * s); };
    fill(canvas, all, face, [s](Vec2 p) {
        const float v = 232.0f - 3.2f * (p.y / s - 6.0f);
        return Rgb{v - 2.0f, v, v + 6.0f};
    });
    const Shape play = [centre, s](Vec2 p) {
        const Vec2 q{(p.x - centre.x) / s, (p.y - centre.y) / s};
        return s * (polygon(q, {{-3.5f, -6.0f}, {6.5f, 0.0f}, {-3.5f, 6.0f}}) - 0.5f);
    };
    fill(canvas, all, play, rgb(0xE8281C));

    std::vector<uint8_t> rgba;
    rgba.reserve(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const uint32_t colour = packed(canvas.at(x, y));
            const float alpha = coverage(tile({x + 0.5f, y + 0.5f}));
            rgba.push_back(static_cast<uint8_t>(colour >> 16));
            rgba.push_back(static_cast<uint8_t>(colour >> 8));
            rgba.push_back(static_cast<uint8_t>(colour));
            rgba.push_back(static_cast<uint8_t>(alpha * 255.0f + 0.5f));
        }
    }
    return rgba;
}

} // namespace assetgen
