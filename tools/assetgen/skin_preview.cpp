// Renders how the skin looks in use: one layer with a colourful stand-in for
// an effect frame in the view and the volume knob on its slider, cut to the
// window's outline.
//
// usage: skin_preview OUT.png [normal|hover|active]

#include "tools/assetgen/file_util.h"
#include "tools/assetgen/skin_art.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

using namespace assetgen;

// A plasma with a few spectrum-like dark strips over it.
uint32_t sampleView(int x, int y)
{
    const double fx = x / 320.0;
    const double fy = y / 240.0;
    const double v = std::sin(fx * 9.0 + std::sin(fy * 5.0) * 1.5) + std::sin(fy * 7.0 - fx * 3.0) +
                     std::sin(std::hypot(fx - 0.6, fy - 0.4) * 14.0);
    // A warm-to-violet cosine palette, like the effects' colour strips.
    auto channel = [v](double base, double swing, double phase) {
        return static_cast<uint32_t>(255.0 * (base + swing * std::cos(6.2831853 * (v * 0.35 + phase))));
    };
    uint32_t r = channel(0.55, 0.45, 0.0), g = channel(0.35, 0.35, 0.15), b = channel(0.5, 0.45, 0.35);
    if (x >= 32 && x < 288) {
        const int bin = x - 32;
        const double jitter = std::sin(bin * 12.9898) * 43758.5453;
        const double level = 0.45 + 0.55 * (jitter - std::floor(jitter));
        const int j = 3 + static_cast<int>(75.0 * std::exp(-bin / 60.0) * level);
        if (y >= 120 - j && y < 120 + j) {
            const uint32_t s = static_cast<uint32_t>(2 * j);
            r -= (r * s + 255) >> 8;
            g -= (g * s + 255) >> 8;
            b -= (b * s + 255) >> 8;
        }
    }
    return r << 16 | g << 8 | b;
}

bool insideOutline(int x, int y)
{
    struct Rect {
        int left, top, right, bottom;
    };
    static const Rect rects[] = {{5, 0, 332, 1},     {3, 1, 334, 2},     {2, 2, 335, 3},
                                 {1, 3, 336, 5},     {0, 5, 336, 438},   {1, 438, 336, 440},
                                 {2, 440, 335, 441}, {3, 441, 334, 442}, {5, 442, 332, 443}};
    for (const Rect& r : rects)
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
            return true;
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s OUT.png [normal|hover|active]\n", argv[0]);
        return 2;
    }
    int layer = 0;
    if (argc == 3)
        layer = std::strcmp(argv[2], "hover") == 0 ? 1 : std::strcmp(argv[2], "active") == 0 ? 2 : 0;
    const auto layers = paintSkinLayers();
    const auto images = indexSkinLayers(layers);
    const IndexedImage& skin = images[static_cast<size_t>(layer)];
    const IndexedImage knob = paintKnob(layers[0]);

    std::vector<uint32_t> window(static_cast<size_t>(skinWidth) * skinHeight);
    for (int y = 0; y < skinHeight; ++y) {
        for (int x = 0; x < skinWidth; ++x) {
            const PaletteEntry e = skin.palette[skin.indices[static_cast<size_t>(y) * skinWidth + x]];
            uint32_t colour = static_cast<uint32_t>(e.r) << 16 | e.g << 8 | e.b;
            if (colour == greenKey)
                colour = sampleView(x - viewRectangle.left, y - viewRectangle.top);
            window[static_cast<size_t>(y) * skinWidth + x] = colour;
        }
    }
    const double volume = 0.7;
    const int knobTop = static_cast<int>((1.0 - volume) * 74.0 + 13.0);
    const Box& slider = control(ControlKind::volume).area;
    for (int y = 0; y < knobHeight; ++y) {
        for (int x = 0; x < knobWidth; ++x) {
            const uint8_t index = knob.indices[static_cast<size_t>(y) * knobWidth + x];
            if (index == 0)
                continue;
            const PaletteEntry e = knob.palette[index];
            window[static_cast<size_t>(knobTop + y) * skinWidth + slider.left + x] =
                static_cast<uint32_t>(e.r) << 16 | e.g << 8 | e.b;
        }
    }

    std::vector<uint8_t> rgba;
    for (int y = 0; y < skinHeight; ++y) {
        for (int x = 0; x < skinWidth; ++x) {
            const uint32_t c = window[static_cast<size_t>(y) * skinWidth + x];
            rgba.insert(rgba.end(), {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                     static_cast<uint8_t>(c), static_cast<uint8_t>(insideOutline(x, y) ? 255 : 0)});
        }
    }
    const std::filesystem::path out = argv[1];
    return writeFile(out.parent_path().empty() ? "." : out.parent_path(), out.filename().string(),
                     encodeRgbaPng(skinWidth, skinHeight, rgba))
               ? 0
               : 1;
}
