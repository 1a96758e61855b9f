#include "gfx/effects/passes.h"
#include "gfx/frame.h"

namespace {

constexpr int kCentre = 160;
constexpr int kSteps = 256;

struct TwisterRow {
    int32_t width[kSteps];   // signed run length w(k)
    uint32_t colour[kSteps]; // texel of step k
};

// w(k) and colour(k) of one row. The product with the float sine is formed in
// double precision, where it is exact, and truncated toward zero.
void measureRow(const CImage& heightMap, const CImage& texture, const float (&sines)[kSteps], uint32_t c, int y,
                TwisterRow& row)
{
    const uint32_t* heights = heightMap.pixels + (y % heightMap.bufferHeight) * heightMap.bufferWidth;
    const uint32_t* texels = texture.pixels + (y % texture.bufferHeight) * texture.bufferWidth;
    const uint32_t heightWidth = static_cast<uint32_t>(heightMap.bufferWidth);
    const uint32_t textureWidth = static_cast<uint32_t>(texture.bufferWidth);
    // c + k walks both rows with wrap-around; stepping avoids a modulo per k.
    uint32_t h = c % heightWidth;
    uint32_t tx = c % textureWidth;
    for (int k = 0; k < kSteps; ++k) {
        const int32_t height = static_cast<int32_t>(heights[h] & 0xFF);
        row.width[k] = static_cast<int32_t>(static_cast<double>(sines[k]) * (height + 128) * 0.25);
        row.colour[k] = texels[tx];
        if (++h == heightWidth)
            h = 0;
        if (++tx == textureWidth)
            tx = 0;
    }
}

// Later runs overwrite earlier ones, so each pixel shows the last run in
// drawing order that reaches it. Walking the runs backwards and painting only
// what no later run covered paints every pixel once with the same result.
void paintRow(const TwisterRow& row, uint32_t* out)
{
    // Left runs are drawn for k = 0..127 and cover x = 160 - w .. 159.
    int32_t covered = 0;
    for (int k = kSteps / 2 - 1; k >= 0; --k) {
        const int32_t w = row.width[k];
        for (int32_t d = covered + 1; d <= w; ++d)
            out[kCentre - d] = row.colour[k];
        if (w > covered)
            covered = w;
    }
    // Right runs are drawn for k = 255..128 and cover x = 160 .. 160 - w.
    covered = -1;
    for (int k = kSteps / 2; k < kSteps; ++k) {
        const int32_t reach = -row.width[k];
        for (int32_t d = covered + 1; d <= reach; ++d)
            out[kCentre + d] = row.colour[k];
        if (reach > covered)
            covered = reach;
    }
}

} // namespace

void DrawTwister(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    // The 256 angle steps do not depend on the time.
    float sines[kSteps];
    for (int k = 0; k < kSteps; ++k)
        sines[k] = singleSine(static_cast<float>(k * (1.0 / 128) * 3.14159265));

    const uint32_t t = ms / 30;
    TwisterRow row;
    for (int y = 0; y < kViewHeight; ++y) {
        const float turn = singleSine(static_cast<float>(static_cast<double>(2 * t + static_cast<uint32_t>(y)) * 0.03125));
        const uint32_t c = t + static_cast<uint32_t>(static_cast<int32_t>(static_cast<double>(turn) * 32 + 32));
        measureRow(*effects.heightMap, texture, sines, c, y, row);
        paintRow(row, view + y * kViewWidth);
    }
}
