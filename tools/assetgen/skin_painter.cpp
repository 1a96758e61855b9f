// The frame of the skin: brushed steel, the black lacquered console, the
// recessed view, the volume slider well, the lettering and the fittings.

#include "tools/assetgen/skin_art.h"
#include "tools/assetgen/skin_font.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

constexpr Box wholeSkin{0, 0, skinWidth - 1, skinHeight - 1};

// The visible outline: the window shape cuts its corners over 5 pixels and
// never shows the last column.
float outlineDistance(Vec2 p) { return roundRect(p, 0.0f, 0.0f, skinWidth - 1.0f, skinHeight, 5.5f); }

// The grain runs per canvas pixel, so the double-size steel is finely
// brushed rather than coarse.
Rgb brushedSteel(Vec2 p, int scale)
{
    const auto s = static_cast<float>(scale);
    const auto row = static_cast<uint32_t>(p.y * s);
    const float grain = (hashNoise(0, row, 11) - 0.5f) * 7.0f + (lineNoise(p.x, row, 31.0f, 12) - 0.5f) * 10.0f +
                        (hashNoise(static_cast<uint32_t>(p.x * s), row, 13) - 0.5f) * 3.0f;
    const float vertical = 66.0f - p.y / skinHeight * 24.0f;
    const float band = std::abs(p.x * 0.8f - p.y * 0.45f - 70.0f);
    const float sheen = 14.0f * std::max(0.0f, 1.0f - band / 120.0f);
    const float v = vertical + grain + sheen;
    return {v * 0.94f, v * 0.98f, v * 1.08f};
}

// Adds light to the pixels within `width` inside the edge of `shape`, by how
// much their surface faces the light (negative strength: a sunken edge).
void bevel(Canvas& canvas, const Box& bounds, const Shape& shape, float width, float strength)
{
    forEachPixel(canvas, bounds, [&](Rgb& pixel, Vec2 p) {
        const float depth = -shape(p);
        if (depth <= -0.5f || depth >= width)
            return;
        const float fade = 1.0f - std::max(depth, 0.0f) / width;
        const float light = facingLight(outwardNormal(shape, p)) * strength * fade;
        pixel = offset(pixel, light * canvas.cover(-depth));
    });
}

void paintFrame(Canvas& canvas)
{
    fill(canvas, wholeSkin, [](Vec2) { return -1.0f; }, [&canvas](Vec2 p) { return brushedSteel(p, canvas.scale); });
    // Around the outline (never shown) a dark colour keeps the cut corners clean.
    fill(canvas, wholeSkin, [](Vec2 p) { return -outlineDistance(p); }, rgb(0x141518));
    const Shape outline = outlineDistance;
    fill(canvas, wholeSkin, [&outline](Vec2 p) { return std::max(outline(p), -(outline(p) + 1.0f)); },
         rgb(0x0E0F11));
    const Shape inner = [&outline](Vec2 p) { return outline(p) + 1.0f; };
    bevel(canvas, wholeSkin, inner, 3.0f, 48.0f);
}

void paintViewRecess(Canvas& canvas)
{
    const Box around{viewRectangle.left - 6, viewRectangle.top - 6, viewRectangle.right + 6,
                     viewRectangle.bottom + 6};
    // A dark lip right against the picture, then a sunken wall lit from above.
    forEachPixel(canvas, around, [&canvas](Rgb& px, Vec2 p) {
        const float d = openingDistance(p);
        // The key is cut on whole layout pixels, so on a finer canvas a pixel
        // inside the opening may still belong to the frame: it takes the lip.
        const bool key = isViewKey(static_cast<int>(p.x), static_cast<int>(p.y));
        if ((d < 0.0f && key) || d >= 5.0f)
            return;
        if (d < 1.0f) {
            px = rgb(0x060607);
            return;
        }
        const Vec2 n = outwardNormal(openingDistance, p);
        const float wall = facingLight({-n.x, -n.y});
        px = offset(scaled(px, 0.55f + 0.11f * d), 34.0f * wall * (1.0f - (d - 1.0f) / 4.0f));
    });
}

void paintConsole(Canvas& canvas)
{
    const Box bounds{60, 44, 278, 200};
    const Shape console = consoleDistance;
    const Shape shadow = [&console](Vec2 p) { return console({p.x - 2.0f, p.y - 3.0f}) - 1.0f; };
    fill(canvas, bounds, shadow, rgb(0x000000), 0.45f);
    fill(canvas, bounds, console, [](Vec2 p) {
        // Black lacquer: a soft reflection of the sky near the top edge.
        const float gloss = std::max(0.0f, 1.0f - (p.y - 54.0f) / 34.0f);
        const float v = 17.0f + 26.0f * gloss * gloss;
        return Rgb{v, v, v + 4.0f};
    });
    bevel(canvas, bounds, console, 2.5f, 60.0f);
    // A thin red pinstripe following the console's edge.
    const Shape stripe = [&console](Vec2 p) { return std::abs(console(p) + 5.0f) - 0.5f; };
    fill(canvas, bounds, stripe, rgb(0x9E1E18), 0.8f);
}

void paintSliderWell(Canvas& canvas)
{
    const Control& volume = control(ControlKind::volume);
    const Box& a = volume.area;
    const Box bounds{a.left - 9, a.top - 7, a.right + 9, a.bottom + 8};
    const Shape well = [&a](Vec2 p) {
        return roundRect(p, a.left - 6.0f, a.top - 5.0f, a.right + 7.0f, a.bottom + 6.0f, 6.0f);
    };
    fill(canvas, bounds, well, rgb(0x141518));
    bevel(canvas, bounds, well, 2.5f, -46.0f);
    // The slot the knob rides in: flat, so the knob's smoothed edge matches it on every row.
    const float middle = (a.left + a.right + 1) * 0.5f;
    const Shape groove = [middle, &a](Vec2 p) {
        return roundRect(p, middle - 2.5f, a.top + 4.0f, middle + 2.5f, a.bottom - 3.0f, 2.5f);
    };
    fill(canvas, bounds, groove, rgb(0x030304));
    bevel(canvas, bounds, groove, 1.5f, -60.0f);
    // Scale marks on both sides of the slot, at the knob's centre line from full to silent.
    for (int step = 0; step <= 8; ++step) {
        const float y = a.top + 10.0f + step * 74.0f / 8.0f;
        const float length = step % 4 == 0 ? 5.0f : 3.0f;
        const Shape marks = [y, length, &a](Vec2 p) {
            return std::min(roundRect(p, a.left - 4.0f - length, y - 0.5f, a.left - 3.0f, y + 0.5f, 0.0f),
                            roundRect(p, a.right + 4.0f, y - 0.5f, a.right + 5.0f + length, y + 0.5f, 0.0f));
        };
        fill(canvas, bounds, marks, rgb(0x8C9098));
    }
}

void paintLettering(Canvas& canvas, std::string_view text, Vec2 origin, float scale, float spacing,
                    const Paint& paint, float shadowOpacity)
{
    const auto s = static_cast<float>(canvas.scale);
    const TextMask mask =
        textMask(canvas.width, canvas.height, text, {origin.x * s, origin.y * s}, scale * s, spacing);
    const Rgb black = rgb(0x000000);
    paintMask(canvas, mask, canvas.scale, canvas.scale, [black](Vec2) { return black; }, shadowOpacity);
    paintMask(canvas, mask, 0, 0, paint);
}

float centredX(std::string_view text, float scale, float spacing, float middle)
{
    return std::floor(middle - textWidth(text, scale, spacing) * 0.5f);
}

// Raised chrome lettering with a dark outline and a drop shadow.
void paintRaisedText(Canvas& canvas, std::string_view text, Vec2 origin, float scale, const Paint& paint)
{
    const Shape letters = textShape(text, origin, scale, 1.0f);
    const float width = textWidth(text, scale, 1.0f);
    const Box bounds{static_cast<int>(origin.x) - 3, static_cast<int>(origin.y) - 3,
                     static_cast<int>(origin.x + width) + 4, static_cast<int>(origin.y + 9.0f * scale) + 4};
    fill(canvas, bounds, [&letters](Vec2 p) { return letters({p.x - 1.0f, p.y - 2.0f}) - 0.5f; }, rgb(0x000000),
         0.55f);
    fill(canvas, bounds, [&letters](Vec2 p) { return letters(p) - 1.0f; }, rgb(0x060607), 0.8f);
    fill(canvas, bounds, letters, paint);
    bevel(canvas, bounds, letters, 1.1f, 45.0f);
}

void paintTitle(Canvas& canvas)
{
    constexpr float scale = 3.0f;
    constexpr float top = 15.0f;
    const float left = centredX("QUARVEN 2", scale, 1.0f, 168.0f);
    const auto chrome = [top](Vec2 p) {
        const float t = (p.y - top) / (7.0f * scale);
        const float v = t < 0.5f ? 246.0f - 130.0f * t : 140.0f + 120.0f * (t - 0.5f);
        return Rgb{v - 4.0f, v, v + 8.0f};
    };
    paintRaisedText(canvas, "QUARVEN", {left, top}, scale, chrome);
    const float numberLeft = left + textWidth("QUARVEN ", scale, 1.0f) + scale;
    const auto lacquerRed = [top](Vec2 p) {
        const float t = (p.y - top) / (7.0f * scale);
        return mix(rgb(0xFF6A50), rgb(0xA01410), t);
    };
    paintRaisedText(canvas, "2", {numberLeft, top}, scale, lacquerRed);
    const Rgb grey = rgb(0xA4A8B2);
    paintLettering(canvas, "ORIGINAL SOUNDTRACK", {centredX("ORIGINAL SOUNDTRACK", 1.0f, 2.0f, 168.0f), 42.0f},
                   1.0f, 2.0f, [grey](Vec2) { return grey; }, 0.9f);
}

void paintWebAddress(Canvas& canvas)
{
    const Control& web = control(ControlKind::webAddress);
    const Box& a = web.area;
    const Shape label = [&web](Vec2 p) { return faceDistance(web, p); };
    const Box bounds{a.left - 1, a.top - 1, a.right + 1, a.bottom + 1};
    fill(canvas, bounds, label, rgb(0x111214));
    bevel(canvas, bounds, label, 2.0f, -40.0f);
    const float middleY = (a.top + a.bottom + 1) * 0.5f;
    const Rgb silver = rgb(0xD8DCE4);
    paintLettering(canvas, filmAddress, {centredX(filmAddress, 1.0f, 1.0f, (a.left + a.right + 1) * 0.5f),
                                         std::floor(middleY - 4.0f)},
                   1.0f, 1.0f, [silver](Vec2) { return silver; }, 0.9f);
}

void paintVents(Canvas& canvas)
{
    const Box bounds{232, 398, 324, 434};
    for (int slot = 0; slot < 5; ++slot) {
        const float y = 404.0f + slot * 6.0f;
        const Shape vent = [y](Vec2 p) { return capsule(p, {244.0f, y}, {314.0f, y}, 1.6f); };
        fill(canvas, bounds, vent, rgb(0x050506));
        bevel(canvas, bounds, vent, 1.2f, -70.0f);
    }
}

void paintScrew(Canvas& canvas, Vec2 centre)
{
    const Box bounds{static_cast<int>(centre.x) - 6, static_cast<int>(centre.y) - 6, static_cast<int>(centre.x) + 6,
                     static_cast<int>(centre.y) + 6};
    const Shape seat = [centre](Vec2 p) { return circle(p, centre, 4.8f); };
    fill(canvas, bounds, seat, rgb(0x08080A), 0.7f);
    const Shape head = [centre](Vec2 p) { return circle(p, centre, 3.8f); };
    fill(canvas, bounds, head, [centre](Vec2 p) {
        const float v = 190.0f - (p.y - centre.y) * 14.0f;
        return Rgb{v - 4.0f, v, v + 6.0f};
    });
    bevel(canvas, bounds, head, 1.2f, 50.0f);
    const Shape slot = [centre](Vec2 p) {
        return capsule(p, {centre.x - 2.6f, centre.y + 1.4f}, {centre.x + 2.6f, centre.y - 1.4f}, 0.6f);
    };
    fill(canvas, bounds, slot, rgb(0x202124));
}

} // namespace

void paintSkinBase(Canvas& canvas)
{
    paintFrame(canvas);
    paintViewRecess(canvas);
    paintConsole(canvas);
    paintSliderWell(canvas);
    paintTitle(canvas);
    paintWebAddress(canvas);
    paintVents(canvas);
    for (Vec2 screw : {Vec2{13.0f, 13.0f}, Vec2{13.0f, 430.0f}, Vec2{322.0f, 430.0f}, Vec2{322.0f, 38.0f}})
        paintScrew(canvas, screw);
    paintControlFaces(canvas);
}

} // namespace assetgen
