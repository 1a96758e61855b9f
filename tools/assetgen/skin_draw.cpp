#include "tools/assetgen/skin_draw.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

Rgb mix(Rgb from, Rgb to, float amount)
{
    return {from.r + (to.r - from.r) * amount, from.g + (to.g - from.g) * amount,
            from.b + (to.b - from.b) * amount};
}

Rgb scaled(Rgb colour, float factor) { return {colour.r * factor, colour.g * factor, colour.b * factor}; }

Rgb offset(Rgb colour, float delta) { return {colour.r + delta, colour.g + delta, colour.b + delta}; }

Rgb rgb(uint32_t hex)
{
    return {static_cast<float>(hex >> 16 & 0xFF), static_cast<float>(hex >> 8 & 0xFF),
            static_cast<float>(hex & 0xFF)};
}

uint32_t packed(Rgb colour)
{
    auto channel = [](float v) { return static_cast<uint32_t>(std::clamp(v, 0.0f, 255.0f) + 0.5f); };
    return channel(colour.r) << 16 | channel(colour.g) << 8 | channel(colour.b);
}

Canvas::Canvas(int w, int h, Rgb fill, int pixelsPerUnit)
    : width(w * pixelsPerUnit), height(h * pixelsPerUnit), scale(pixelsPerUnit),
      pixels(static_cast<size_t>(width) * height, fill)
{
}

float coverage(float distance) { return std::clamp(0.5f - distance, 0.0f, 1.0f); }

// Multiplying and dividing by a scale of 1 are exact, so the single-size
// artwork keeps its bits.
float Canvas::cover(float distance) const { return coverage(distance * static_cast<float>(scale)); }

Vec2 Canvas::centre(int x, int y) const
{
    const auto s = static_cast<float>(scale);
    return {(x + 0.5f) / s, (y + 0.5f) / s};
}

Box Canvas::pixelsOver(const Box& b) const
{
    return {std::max(b.left * scale, 0), std::max(b.top * scale, 0), std::min((b.right + 1) * scale - 1, width - 1),
            std::min((b.bottom + 1) * scale - 1, height - 1)};
}

void fill(Canvas& canvas, const Box& bounds, const Shape& shape, const Paint& paint, float opacity)
{
    forEachPixel(canvas, bounds, [&](Rgb& pixel, Vec2 centre) {
        const float a = canvas.cover(shape(centre)) * opacity;
        if (a > 0.0f)
            pixel = mix(pixel, paint(centre), a);
    });
}

void fill(Canvas& canvas, const Box& bounds, const Shape& shape, Rgb colour, float opacity)
{
    fill(canvas, bounds, shape, [colour](Vec2) { return colour; }, opacity);
}

Vec2 outwardNormal(const Shape& shape, Vec2 p)
{
    constexpr float h = 0.25f;
    const float dx = shape({p.x + h, p.y}) - shape({p.x - h, p.y});
    const float dy = shape({p.x, p.y + h}) - shape({p.x, p.y - h});
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length == 0.0f)
        return {0.0f, -1.0f};
    return {dx / length, dy / length};
}

float facingLight(Vec2 normal)
{
    // Towards the upper left, slightly more from above.
    return normal.x * -0.6f + normal.y * -0.8f;
}

float circle(Vec2 p, Vec2 centre, float radius)
{
    const float dx = p.x - centre.x;
    const float dy = p.y - centre.y;
    return std::sqrt(dx * dx + dy * dy) - radius;
}

float roundRect(Vec2 p, float left, float top, float right, float bottom, float radius)
{
    const float cx = (left + right) * 0.5f;
    const float cy = (top + bottom) * 0.5f;
    const float qx = std::abs(p.x - cx) - ((right - left) * 0.5f - radius);
    const float qy = std::abs(p.y - cy) - ((bottom - top) * 0.5f - radius);
    const float ox = std::max(qx, 0.0f);
    const float oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

namespace {

float segmentDistance(Vec2 p, Vec2 a, Vec2 b)
{
    const float abx = b.x - a.x;
    const float aby = b.y - a.y;
    const float lengthSquared = abx * abx + aby * aby;
    float t = lengthSquared == 0.0f ? 0.0f : ((p.x - a.x) * abx + (p.y - a.y) * aby) / lengthSquared;
    t = std::clamp(t, 0.0f, 1.0f);
    const float dx = p.x - (a.x + abx * t);
    const float dy = p.y - (a.y + aby * t);
    return std::sqrt(dx * dx + dy * dy);
}

} // namespace

float capsule(Vec2 p, Vec2 a, Vec2 b, float radius) { return segmentDistance(p, a, b) - radius; }

float polygon(Vec2 p, std::initializer_list<Vec2> corners)
{
    const Vec2* c = corners.begin();
    const size_t n = corners.size();
    float nearest = 1e9f;
    int positive = 0;
    int negative = 0;
    for (size_t i = 0; i < n; ++i) {
        const Vec2 a = c[i];
        const Vec2 b = c[(i + 1) % n];
        nearest = std::min(nearest, segmentDistance(p, a, b));
        const float cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        (cross >= 0.0f ? positive : negative)++;
    }
    const bool inside = positive == 0 || negative == 0;
    return inside ? -nearest : nearest;
}

float hashNoise(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 0x8DA6B343u ^ y * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return static_cast<float>(h >> 8) / 16777216.0f;
}

float lineNoise(float x, uint32_t row, float period, uint32_t seed)
{
    const float cell = x / period;
    const float base = std::floor(cell);
    const float t = cell - base;
    const float smooth = t * t * (3.0f - 2.0f * t);
    const auto index = static_cast<uint32_t>(static_cast<int32_t>(base) + 1000);
    return hashNoise(index, row, seed) * (1.0f - smooth) + hashNoise(index + 1, row, seed) * smooth;
}

} // namespace assetgen
