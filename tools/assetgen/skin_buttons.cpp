// The control faces (metal discs, pills and plates) and their symbols.

#include "tools/assetgen/skin_art.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

Box around(const Control& c, float margin)
{
    const FaceShape& f = c.face;
    if (f.form == FaceShape::plate) {
        const int m = static_cast<int>(std::ceil(margin));
        return {f.plateEdges.left - m, f.plateEdges.top - m, f.plateEdges.right + m, f.plateEdges.bottom + m};
    }
    const float rx = f.radius + f.halfLength + margin + 1.0f;
    const float ry = f.radius + margin + 1.0f;
    return {static_cast<int>(f.centre.x - rx), static_cast<int>(f.centre.y - ry), static_cast<int>(f.centre.x + rx),
            static_cast<int>(f.centre.y + ry)};
}

Shape faceOf(const Control& c)
{
    return [&c](Vec2 p) { return faceDistance(c, p); };
}

// Adds `lightness(p)` times the ring's coverage: a ring `width` wide just
// inside the edge of `shape`.
void shadeRim(Canvas& canvas, const Box& bounds, const Shape& shape, float width, float strength)
{
    const Shape ring = [&shape, width](Vec2 p) {
        const float d = shape(p);
        return std::max(d, -(d + width));
    };
    forEachPixel(canvas, bounds, [&](Rgb& pixel, Vec2 p) {
        const float a = canvas.cover(ring(p));
        if (a <= 0.0f)
            return;
        const float depth = std::clamp(-shape(p) / width, 0.0f, 1.0f);
        const float light = facingLight(outwardNormal(shape, p)) * strength * (1.0f - depth * 0.6f);
        pixel = offset(pixel, light * a);
    });
}

// Brushed aluminium, lit from above, with concentric brushing marks.
Rgb aluminium(const Control& c, Vec2 p)
{
    const FaceShape& f = c.face;
    const float height = f.form == FaceShape::plate ? static_cast<float>(f.plateEdges.bottom - f.plateEdges.top + 1)
                                                    : 2.0f * f.radius;
    const float t = std::clamp((p.y - (f.centre.y - height * 0.5f)) / height, 0.0f, 1.0f);
    const float fromCentre = faceDistance(c, p) + (f.form == FaceShape::plate ? 0.0f : f.radius);
    const float brushing = (hashNoise(static_cast<uint32_t>(fromCentre * 2.5f), 7, 21) - 0.5f) * 12.0f;
    const float v = 226.0f - 64.0f * t + brushing;
    return {v - 2.0f, v, v + 6.0f};
}

void paintFace(Canvas& canvas, const Control& c, float bezel)
{
    const Shape face = faceOf(c);
    const Box bounds = around(c, bezel + 2.0f);
    // A dark seat, then a chrome bezel lit from the upper left.
    const Shape seat = [&face, bezel](Vec2 p) { return face(p) - bezel - 1.0f; };
    fill(canvas, bounds, seat, rgb(0x050506), 0.75f);
    const Shape ring = [&face, bezel](Vec2 p) { return face(p) - bezel; };
    fill(canvas, bounds, ring, [&ring](Vec2 p) {
        const float light = facingLight(outwardNormal(ring, p));
        return offset(rgb(0x5A5D66), 70.0f * -light);
    });
    fill(canvas, bounds, face, [&c](Vec2 p) { return aluminium(c, p); });
    shadeRim(canvas, bounds, face, 2.0f, 38.0f);
}

// The symbol of each control, centred on its face.
float symbolDistance(ControlKind kind, Vec2 p, Vec2 c)
{
    const Vec2 q{p.x - c.x, p.y - c.y};
    switch (kind) {
    case ControlKind::play:
        return polygon(q, {{-7.0f, -11.0f}, {12.0f, 0.0f}, {-7.0f, 11.0f}}) - 1.0f;
    case ControlKind::pause:
        return std::min(roundRect(q, -7.0f, -8.0f, -2.0f, 8.0f, 1.0f), roundRect(q, 2.0f, -8.0f, 7.0f, 8.0f, 1.0f));
    case ControlKind::stop:
        return roundRect(q, -6.5f, -6.5f, 6.5f, 6.5f, 1.5f);
    case ControlKind::previous:
        return std::min({roundRect(q, -9.5f, -6.5f, -6.5f, 6.5f, 0.5f),
                         polygon(q, {{0.5f, -6.5f}, {-6.0f, 0.0f}, {0.5f, 6.5f}}),
                         polygon(q, {{8.0f, -6.5f}, {1.5f, 0.0f}, {8.0f, 6.5f}})});
    case ControlKind::next:
        return std::min({roundRect(q, 6.5f, -6.5f, 9.5f, 6.5f, 0.5f),
                         polygon(q, {{-0.5f, -6.5f}, {6.0f, 0.0f}, {-0.5f, 6.5f}}),
                         polygon(q, {{-8.0f, -6.5f}, {-1.5f, 0.0f}, {-8.0f, 6.5f}})});
    case ControlKind::shuffle: {
        const float w = 1.1f;
        const float rising = std::min({capsule(q, {-10.0f, 4.5f}, {-5.0f, 4.5f}, w),
                                       capsule(q, {-5.0f, 4.5f}, {2.0f, -4.5f}, w),
                                       capsule(q, {2.0f, -4.5f}, {6.0f, -4.5f}, w),
                                       polygon(q, {{5.0f, -8.5f}, {10.5f, -4.5f}, {5.0f, -0.5f}})});
        const float falling = std::min({capsule(q, {-10.0f, -4.5f}, {-5.0f, -4.5f}, w),
                                        capsule(q, {-5.0f, -4.5f}, {2.0f, 4.5f}, w),
                                        capsule(q, {2.0f, 4.5f}, {6.0f, 4.5f}, w),
                                        polygon(q, {{5.0f, 0.5f}, {10.5f, 4.5f}, {5.0f, 8.5f}})});
        return std::min(rising, falling);
    }
    case ControlKind::minimise:
        return roundRect(q, -4.5f, 2.0f, 4.5f, 4.5f, 0.5f);
    case ControlKind::close:
        return std::min(capsule(q, {-3.8f, -3.8f}, {3.8f, 3.8f}, 1.25f),
                        capsule(q, {-3.8f, 3.8f}, {3.8f, -3.8f}, 1.25f));
    case ControlKind::link: {
        const float box = std::abs(roundRect(q, -6.5f, -3.5f, 4.5f, 7.5f, 1.5f)) - 0.7f;
        const float opening = -roundRect(q, -2.0f, -9.0f, 9.0f, 2.0f, 0.0f);
        const float shaft = capsule(q, {-2.0f, 3.0f}, {4.0f, -3.0f}, 1.1f);
        const float head = polygon(q, {{7.5f, -7.5f}, {7.5f, 0.0f}, {0.0f, -7.5f}});
        return std::min({std::max(box, opening), shaft, head});
    }
    case ControlKind::volume:
    case ControlKind::webAddress:
        break;
    }
    return 1e9f;
}

Rgb symbolColour(ControlKind kind, SkinLook look)
{
    switch (look) {
    case SkinLook::normal:
        return rgb(0x0C0C0E);
    case SkinLook::hover:
        return kind == ControlKind::minimise || kind == ControlKind::close ? rgb(0x6E6E74) : rgb(0x8C1010);
    case SkinLook::active:
        break;
    }
    return rgb(0xFF2A1E);
}

bool hasSymbol(ControlKind kind) { return kind != ControlKind::volume && kind != ControlKind::webAddress; }

} // namespace

void paintControlFaces(Canvas& canvas)
{
    for (const Control& c : skinControls()) {
        if (!hasSymbol(c.kind))
            continue;
        const bool small = c.face.form == FaceShape::plate;
        paintFace(canvas, c, small ? 1.0f : 2.5f);
    }
}

void paintSymbols(Canvas& canvas, SkinLook look)
{
    for (const Control& c : skinControls()) {
        if (!hasSymbol(c.kind))
            continue;
        const Vec2 centre = c.face.centre;
        const Box bounds = around(c, 0.0f);
        const Shape face = faceOf(c);
        const ControlKind kind = c.kind;
        const Shape symbol = [kind, centre](Vec2 p) { return symbolDistance(kind, p, centre); };
        const auto insideFace = [&face](const Shape& s) {
            return [&face, s](Vec2 p) { return std::max(s(p), face(p)); };
        };
        if (look == SkinLook::active) {
            // The lamp: a red glow on the face, fading away from the lit symbol.
            for (int step = 5; step >= 1; --step) {
                const float reach = step * 1.4f;
                const Shape halo = insideFace([&symbol, reach](Vec2 p) { return symbol(p) - reach; });
                fill(canvas, bounds, halo, rgb(0xFF3A28), 0.13f);
            }
        }
        // A faint light edge under the symbol, as if printed into the metal.
        const Shape lip = insideFace([&symbol](Vec2 p) { return symbol({p.x, p.y - 1.0f}); });
        fill(canvas, bounds, lip, rgb(0xFFFFFF), look == SkinLook::active ? 0.2f : 0.45f);
        fill(canvas, bounds, insideFace(symbol), symbolColour(kind, look));
    }
}

} // namespace assetgen
