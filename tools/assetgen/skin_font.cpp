#include "tools/assetgen/skin_font.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace assetgen {

namespace {

struct Glyph {
    char character;
    const char* rows[9]; // '#' is ink; rows 7 and 8 are descenders
};

// clang-format off
constexpr Glyph glyphs[] = {
    {' ', {"...", "...", "...", "...", "...", "...", "..."}},
    {'.', {".", ".", ".", ".", ".", ".", "#"}},
    {'-', {"....", "....", "....", "####", "....", "....", "...."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'a', {"....", "....", ".##.", "...#", ".###", "#..#", ".###"}},
    {'e', {"....", "....", ".##.", "#..#", "####", "#...", ".##."}},
    {'l', {"##.", ".#.", ".#.", ".#.", ".#.", ".#.", ".##"}},
    {'m', {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"}},
    {'n', {"....", "....", "#.#.", "##.#", "#..#", "#..#", "#..#"}},
    {'p', {"....", "....", "###.", "#..#", "#..#", "#..#", "###.", "#...", "#..."}},
    {'q', {"....", "....", ".###", "#..#", "#..#", "#..#", ".###", "...#", "...#"}},
    {'r', {"....", "....", "#.##", "##..", "#...", "#...", "#..."}},
    {'u', {"....", "....", "#..#", "#..#", "#..#", "#..#", ".###"}},
    {'v', {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'w', {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."}},
    {'x', {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
};
// clang-format on

const Glyph& glyphFor(char c)
{
    for (const Glyph& g : glyphs)
        if (g.character == c)
            return g;
    std::fprintf(stderr, "assetgen: the skin font has no glyph for '%c'\n", c);
    std::exit(1);
}

int glyphWidth(const Glyph& g) { return static_cast<int>(std::string_view(g.rows[0]).size()); }

// Area of the unit pixel at (px, py) covered by the square [x0, x1) x [y0, y1).
float overlap(int px, int py, float x0, float y0, float x1, float y1)
{
    const float w = std::min(x1, px + 1.0f) - std::max(x0, static_cast<float>(px));
    const float h = std::min(y1, py + 1.0f) - std::max(y0, static_cast<float>(py));
    return w > 0.0f && h > 0.0f ? w * h : 0.0f;
}

} // namespace

float TextMask::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0.0f;
    return cover[static_cast<size_t>(y) * width + x];
}

float textWidth(std::string_view text, float scale, float spacing)
{
    float units = 0.0f;
    for (char c : text)
        units += glyphWidth(glyphFor(c)) + spacing;
    return text.empty() ? 0.0f : (units - spacing) * scale;
}

TextMask textMask(int width, int height, std::string_view text, Vec2 origin, float scale, float spacing)
{
    TextMask mask{width, height, std::vector<float>(static_cast<size_t>(width) * height, 0.0f)};
    float penX = origin.x;
    for (char c : text) {
        const Glyph& g = glyphFor(c);
        for (int row = 0; row < 9 && g.rows[row] != nullptr; ++row) {
            for (int col = 0; g.rows[row][col] != '\0'; ++col) {
                if (g.rows[row][col] != '#')
                    continue;
                const float x0 = penX + col * scale;
                const float y0 = origin.y + row * scale;
                const float x1 = x0 + scale;
                const float y1 = y0 + scale;
                for (int py = static_cast<int>(std::floor(y0)); py < std::ceil(y1); ++py)
                    for (int px = static_cast<int>(std::floor(x0)); px < std::ceil(x1); ++px)
                        if (px >= 0 && py >= 0 && px < width && py < height)
                            mask.cover[static_cast<size_t>(py) * width + px] += overlap(px, py, x0, y0, x1, y1);
            }
        }
        penX += (glyphWidth(g) + spacing) * scale;
    }
    for (float& c : mask.cover)
        c = std::min(c, 1.0f);
    return mask;
}

Shape textShape(std::string_view text, Vec2 origin, float scale, float spacing)
{
    // The font pixels on a grid of cells; the distance is measured to the
    // nearest cell of the other kind, so neighbouring pixels leave no seams.
    int columns = 0;
    for (char c : text)
        columns += glyphWidth(glyphFor(c)) + static_cast<int>(spacing);
    constexpr int rows = 9;
    std::vector<bool> ink(static_cast<size_t>(columns) * rows, false);
    int penX = 0;
    for (char c : text) {
        const Glyph& g = glyphFor(c);
        for (int row = 0; row < rows && g.rows[row] != nullptr; ++row)
            for (int col = 0; g.rows[row][col] != '\0'; ++col)
                if (g.rows[row][col] == '#')
                    ink[static_cast<size_t>(row) * columns + penX + col] = true;
        penX += glyphWidth(g) + static_cast<int>(spacing);
    }
    return [ink, columns, origin, scale](Vec2 p) {
        auto inkAt = [&](int col, int row) {
            return col >= 0 && row >= 0 && col < columns && row < rows && ink[static_cast<size_t>(row) * columns + col];
        };
        const int col = static_cast<int>(std::floor((p.x - origin.x) / scale));
        const int row = static_cast<int>(std::floor((p.y - origin.y) / scale));
        const bool inside = inkAt(col, row);
        constexpr int reach = 2;
        float nearest = reach * scale;
        for (int r = row - reach; r <= row + reach; ++r) {
            for (int c = col - reach; c <= col + reach; ++c) {
                if (inkAt(c, r) == inside)
                    continue;
                const float left = origin.x + c * scale;
                const float top = origin.y + r * scale;
                nearest = std::min(nearest, std::abs(roundRect(p, left, top, left + scale, top + scale, 0.0f)));
            }
        }
        return inside ? -nearest : nearest;
    };
}

void paintMask(Canvas& canvas, const TextMask& mask, int dx, int dy, const Paint& paint, float opacity)
{
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const float a = mask.at(x - dx, y - dy) * opacity;
            if (a > 0.0f)
                canvas.at(x, y) = mix(canvas.at(x, y), paint(canvas.centre(x, y)), a);
        }
    }
}

} // namespace assetgen
