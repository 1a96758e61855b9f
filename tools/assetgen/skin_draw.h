// A small floating-point canvas and anti-aliased shape filling for the skin
// artwork. Shapes are signed distance functions (negative inside, in pixels),
// so one description gives both a smooth edge and a bevel direction.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

namespace assetgen {

struct Rgb {
    float r, g, b;
};

Rgb mix(Rgb from, Rgb to, float amount);
Rgb scaled(Rgb colour, float factor);
Rgb offset(Rgb colour, float delta);
Rgb rgb(uint32_t hex);
// Rounds and clamps to 0xRRGGBB.
uint32_t packed(Rgb colour);

struct Vec2 {
    float x, y;
};

// Inclusive pixel bounds.
struct Box {
    int left, top, right, bottom;
};

// Shapes, bounds and paints are described in layout pixels; a canvas of
// `scale` 2 has twice as many pixels each way and evaluates every shape at
// its own pixels' centres, so the double-size artwork is drawn, not enlarged.
struct Canvas {
    int width = 0; // canvas pixels
    int height = 0;
    int scale = 1; // canvas pixels per layout pixel
    std::vector<Rgb> pixels;

    // A canvas covering w x h layout pixels.
    Canvas(int w, int h, Rgb fill, int pixelsPerUnit = 1);
    Rgb& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Share of one canvas pixel covered by a shape whose edge lies `distance`
    // layout pixels from its centre.
    float cover(float distance) const;
    // Centre of canvas pixel (x, y) in layout coordinates.
    Vec2 centre(int x, int y) const;
    // The canvas pixels over a box of layout pixels, cut to the canvas.
    Box pixelsOver(const Box& layoutBounds) const;
};

// Calls visit(pixel, centre in layout coordinates) for every canvas pixel
// over `bounds` (layout pixels).
template <class Visit>
void forEachPixel(Canvas& canvas, const Box& bounds, Visit&& visit)
{
    const Box b = canvas.pixelsOver(bounds);
    for (int y = b.top; y <= b.bottom; ++y)
        for (int x = b.left; x <= b.right; ++x)
            visit(canvas.at(x, y), canvas.centre(x, y));
}

using Shape = std::function<float(Vec2)>;
using Paint = std::function<Rgb(Vec2)>;

// Share of a pixel covered by a shape whose edge lies `distance` from its centre.
float coverage(float distance);

// Blends `paint` into every pixel of `bounds` by the shape's coverage times `opacity`.
void fill(Canvas& canvas, const Box& bounds, const Shape& shape, const Paint& paint, float opacity = 1.0f);
void fill(Canvas& canvas, const Box& bounds, const Shape& shape, Rgb colour, float opacity = 1.0f);

// Unit outward direction of a shape's surface near `p` (central differences).
Vec2 outwardNormal(const Shape& shape, Vec2 p);

// Light falls from the upper left: +1 for a surface facing it, -1 facing away.
float facingLight(Vec2 normal);

// Primitives; edges in pixel-edge coordinates (pixel x covers x..x+1).
float circle(Vec2 p, Vec2 centre, float radius);
float roundRect(Vec2 p, float left, float top, float right, float bottom, float radius);
float capsule(Vec2 p, Vec2 a, Vec2 b, float radius);
// Convex polygon, corners in either winding order.
float polygon(Vec2 p, std::initializer_list<Vec2> corners);

// Deterministic hash noise in [0, 1).
float hashNoise(uint32_t x, uint32_t y, uint32_t seed);
// Smooth noise along x (cells of `period` pixels), one independent line per row.
float lineNoise(float x, uint32_t row, float period, uint32_t seed);

} // namespace assetgen
