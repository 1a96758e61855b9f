// The volume knob: a metal fader cap with a red index line. Its pixels are
// opaque or (palette entry 0) transparent, so its smoothed edge and its
// shadow are blended in advance with the slider well it moves over.

#include "tools/assetgen/skin_art.h"
#include "tools/assetgen/skin_palette.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

namespace {

float capDistance(Vec2 p) { return roundRect(p, 1.0f, 2.0f, knobWidth - 1.0f, knobHeight - 3.0f, 3.5f); }

Rgb capMetal(Vec2 p)
{
    const float t = (p.y - 2.0f) / (knobHeight - 5.0f);
    float v = 232.0f - 110.0f * t;
    // Grip ridges above and below the index line.
    const int row = static_cast<int>(p.y);
    if (row == 5 || row == 7 || row == 13 || row == 15)
        v -= 46.0f;
    return {v - 2.0f, v, v + 6.0f};
}

} // namespace

IndexedImage paintKnob(const std::vector<uint32_t>& normalLayer, int scale)
{
    const Box& slider = control(ControlKind::volume).area;
    const int sampleRow = (slider.top + slider.bottom) / 2 * scale;
    const int width = knobWidth * scale;
    const int height = knobHeight * scale;
    const int layerWidth = skinWidth * scale;
    // Canvas geometry only: the knob is painted pixel by pixel below.
    const Canvas grid(knobWidth, knobHeight, rgb(0x000000), scale);
    std::vector<uint32_t> colours(static_cast<size_t>(width) * height, 0);
    std::vector<bool> opaque(colours.size(), false);
    const Shape cap = capDistance;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Vec2 p = grid.centre(x, y);
            const Rgb well = rgb(normalLayer[static_cast<size_t>(sampleRow) * layerWidth + slider.left * scale + x]);
            const float shadow = grid.cover(capDistance({p.x - 1.0f, p.y - 2.0f}));
            const float body = grid.cover(cap(p));
            if (shadow <= 0.0f && body <= 0.0f)
                continue;
            Rgb colour = mix(well, rgb(0x000000), shadow * 0.6f);
            Rgb metal = capMetal(p);
            const bool indexLine = y / scale == knobHeight / 2;
            if (indexLine)
                metal = rgb(0xE8281C); // the index line, level with the scale marks
            const float rim = -cap(p);
            if (rim < 1.5f && !indexLine)
                metal = offset(metal, facingLight(outwardNormal(cap, p)) * 50.0f);
            colour = mix(colour, metal, body);
            const size_t k = static_cast<size_t>(y) * width + x;
            colours[k] = packed(colour);
            opaque[k] = true;
        }
    }

    std::vector<uint32_t> used;
    for (size_t k = 0; k < colours.size(); ++k)
        if (opaque[k])
            used.push_back(colours[k]);
    IndexedImage knob{width, height, std::vector<uint8_t>(colours.size(), 0),
                      std::vector<PaletteEntry>(256, entryOf(0x000000))};
    const std::vector<uint32_t> palette = medianCut(used, 255);
    for (size_t i = 0; i < palette.size(); ++i)
        knob.palette[1 + i] = entryOf(palette[i]);
    const std::vector<PaletteEntry> searched(knob.palette.begin(),
                                             knob.palette.begin() + 1 + static_cast<long>(palette.size()));
    for (size_t k = 0; k < colours.size(); ++k)
        if (opaque[k])
            knob.indices[k] = nearestEntry(searched, colours[k], 1);
    return knob;
}

} // namespace assetgen
