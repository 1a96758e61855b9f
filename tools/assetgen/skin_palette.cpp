#include "tools/assetgen/skin_palette.h"

#include <algorithm>

namespace assetgen {

namespace {

struct Weighted {
    uint32_t colour;
    uint32_t count;
};

int channel(uint32_t colour, int c) { return static_cast<int>(colour >> (16 - 8 * c) & 0xFF); }

struct Bucket {
    size_t begin, end;
    uint64_t pixels;
    int widestChannel;
    int range;
};

Bucket describe(const std::vector<Weighted>& colours, size_t begin, size_t end)
{
    Bucket b{begin, end, 0, 0, 0};
    int low[3] = {255, 255, 255};
    int high[3] = {0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        b.pixels += colours[i].count;
        for (int c = 0; c < 3; ++c) {
            low[c] = std::min(low[c], channel(colours[i].colour, c));
            high[c] = std::max(high[c], channel(colours[i].colour, c));
        }
    }
    for (int c = 0; c < 3; ++c) {
        if (high[c] - low[c] > b.range) {
            b.range = high[c] - low[c];
            b.widestChannel = c;
        }
    }
    return b;
}

double splitPriority(const Bucket& b)
{
    return b.end - b.begin < 2 ? -1.0 : static_cast<double>(b.range) * b.range * static_cast<double>(b.pixels);
}

uint32_t meanColour(const std::vector<Weighted>& colours, const Bucket& b)
{
    uint64_t sum[3] = {0, 0, 0};
    for (size_t i = b.begin; i < b.end; ++i)
        for (int c = 0; c < 3; ++c)
            sum[c] += static_cast<uint64_t>(channel(colours[i].colour, c)) * colours[i].count;
    uint32_t result = 0;
    for (int c = 0; c < 3; ++c)
        result = result << 8 | static_cast<uint32_t>((sum[c] + b.pixels / 2) / b.pixels);
    return result;
}

std::vector<Weighted> histogram(std::vector<uint32_t> colours)
{
    std::sort(colours.begin(), colours.end());
    std::vector<Weighted> counted;
    for (uint32_t c : colours) {
        if (!counted.empty() && counted.back().colour == c)
            ++counted.back().count;
        else
            counted.push_back({c, 1});
    }
    return counted;
}

} // namespace

std::vector<uint32_t> medianCut(const std::vector<uint32_t>& pixels, int entries)
{
    std::vector<Weighted> colours = histogram(pixels);
    if (colours.empty())
        return {};
    std::vector<Bucket> buckets = {describe(colours, 0, colours.size())};
    while (static_cast<int>(buckets.size()) < entries) {
        auto widest = std::max_element(buckets.begin(), buckets.end(), [](const Bucket& a, const Bucket& b) {
            return splitPriority(a) < splitPriority(b);
        });
        if (splitPriority(*widest) < 0.0)
            break; // every bucket holds one colour: the palette is exact
        const Bucket b = *widest;
        const int c = b.widestChannel;
        std::sort(colours.begin() + static_cast<long>(b.begin), colours.begin() + static_cast<long>(b.end),
                  [c](const Weighted& x, const Weighted& y) {
                      const int cx = channel(x.colour, c);
                      const int cy = channel(y.colour, c);
                      return cx != cy ? cx < cy : x.colour < y.colour;
                  });
        uint64_t seen = 0;
        size_t cut = b.begin + 1;
        for (size_t i = b.begin; i + 1 < b.end; ++i) {
            seen += colours[i].count;
            cut = i + 1;
            if (seen * 2 >= b.pixels)
                break;
        }
        *widest = describe(colours, b.begin, cut);
        buckets.push_back(describe(colours, cut, b.end));
    }
    std::vector<uint32_t> palette;
    for (const Bucket& b : buckets)
        palette.push_back(meanColour(colours, b));
    std::sort(palette.begin(), palette.end());
    return palette;
}

uint8_t nearestEntry(const std::vector<PaletteEntry>& palette, uint32_t colour, int first)
{
    const int r = channel(colour, 0);
    const int g = channel(colour, 1);
    const int b = channel(colour, 2);
    int best = first;
    int bestDistance = 1 << 30;
    for (int i = first; i < static_cast<int>(palette.size()); ++i) {
        const int dr = palette[i].r - r;
        const int dg = palette[i].g - g;
        const int db = palette[i].b - b;
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

PaletteEntry entryOf(uint32_t colour)
{
    return {static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 8), static_cast<uint8_t>(colour)};
}

} // namespace assetgen
