#include "gfx/effects/passes.h"
#include "gfx/frame.h"

namespace {

constexpr int kCentre = 160;
constexpr int kSteps = 256;
constexpr int kHalf = kSteps / 2;
constexpr int kSlots = 97; // reach 0..95 plus one slot for runs that draw nothing

// Each step's run as a "slot" per step k and height h, worked out once: the
// time never enters it. w(k) = trunc(s(k) * (h + 128) * 0.25), the product
// with the float sine formed in double precision (where it is exact) and
// truncated toward zero.
//  - Left steps (k < 128) cover x = 160 - w .. 159: slot max(w, 0), the
//    distance they reach to the left (0: nothing drawn).
//  - Right steps cover x = 160 .. 160 - w: slot max(1 - w, 0), one more than
//    the distance they reach to the right (0: nothing drawn).
struct SlotTable {
    uint8_t slot[kSteps][256];

    SlotTable()
    {
        for (int k = 0; k < kSteps; ++k) {
            const float sine = singleSine(static_cast<float>(k * (1.0 / 128) * 3.14159265));
            for (int h = 0; h < 256; ++h) {
                const int32_t w = static_cast<int32_t>(static_cast<double>(sine) * (h + 128) * 0.25);
                const int32_t reach = k < kHalf ? w : 1 - w;
                slot[k][h] = static_cast<uint8_t>(reach > 0 ? reach : 0);
            }
        }
    }
};

const SlotTable& slotTable()
{
    static const SlotTable table;
    return table;
}

// One row of the column. Later runs overwrite earlier ones, so a pixel shows
// the last run, in drawing order, that reaches it. Runs are scattered by
// their reach (a later run with the same reach replaces the earlier one),
// then a sweep from the outside in finds, for each distance, the last run
// reaching at least that far. Every pixel is written once, without branches
// on the data.
// c + k wraps around a row of the height map or the texture. The supplied
// images are 256 and 64 wide, where a mask does it; other widths take the
// division.
class RowWrap {
public:
    explicit RowWrap(int32_t width)
        : width_(static_cast<uint32_t>(width)), mask_((width & (width - 1)) == 0 ? width_ - 1 : 0)
    {
    }
    uint32_t operator()(uint32_t i) const { return mask_ != 0 ? (i & mask_) : (i % width_); }

private:
    uint32_t width_;
    uint32_t mask_;
};

// One row of the column. Later runs overwrite earlier ones, so a pixel shows
// the last run, in drawing order, that reaches it. Runs are scattered by
// their reach (a later run with the same reach replaces the earlier one),
// then a sweep from the outside in finds, for each distance, the last run
// reaching at least that far. Every pixel is written once, without branches
// on the data.
class RowPainter {
public:
    RowPainter(const CImage& heightMap, const CImage& texture)
        : heightMap_(heightMap), texture_(texture), heightWrap_(heightMap.bufferWidth),
          textureWrap_(texture.bufferWidth)
    {
    }

    void paint(const SlotTable& table, uint32_t c, int y, uint32_t* out)
    {
        const uint32_t* heights = heightMap_.pixels + (y % heightMap_.bufferHeight) * heightMap_.bufferWidth;
        const uint32_t* texels = texture_.pixels + (y % texture_.bufferHeight) * texture_.bufferWidth;
        uint32_t colours[kSteps]; // colour(k): texel c + k of the row
        for (uint32_t k = 0; k < kSteps; ++k)
            colours[k] = texels[textureWrap_(c + k)];
        int32_t owner[kSlots];

        // Left: drawn for k = 0..127; the last drawn wins, the largest k.
        for (int32_t& o : owner)
            o = -1;
        uint32_t furthest = 0;
        for (uint32_t k = 0; k < kHalf; ++k) {
            const uint32_t slot = table.slot[k][heights[heightWrap_(c + k)] & 0xFF];
            owner[slot] = static_cast<int32_t>(k);
            furthest = slot > furthest ? slot : furthest;
        }
        int32_t last = -1;
        for (uint32_t d = furthest; d >= 1; --d) {
            last = owner[d] > last ? owner[d] : last;
            out[kCentre - static_cast<int32_t>(d)] = colours[last];
        }

        // Right: drawn for k = 255..128; the last drawn wins, the smallest k.
        for (int32_t& o : owner)
            o = kSteps;
        furthest = 0;
        for (uint32_t k = kSteps - 1; k >= kHalf; --k) {
            const uint32_t slot = table.slot[k][heights[heightWrap_(c + k)] & 0xFF];
            owner[slot] = static_cast<int32_t>(k);
            furthest = slot > furthest ? slot : furthest;
        }
        last = kSteps;
        for (uint32_t slot = furthest; slot >= 1; --slot) {
            last = owner[slot] < last ? owner[slot] : last;
            out[kCentre + static_cast<int32_t>(slot) - 1] = colours[last];
        }
    }

private:
    const CImage& heightMap_;
    const CImage& texture_;
    RowWrap heightWrap_;
    RowWrap textureWrap_;
};

} // namespace

void DrawTwister(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const SlotTable& table = slotTable();
    RowPainter painter(*effects.heightMap, texture);
    const uint32_t t = ms / 30;
    for (int y = 0; y < kViewHeight; ++y) {
        const float turn = singleSine(static_cast<float>(static_cast<double>(2 * t + static_cast<uint32_t>(y)) * 0.03125));
        const uint32_t c = t + static_cast<uint32_t>(static_cast<int32_t>(static_cast<double>(turn) * 32 + 32));
        painter.paint(table, c, y, view + y * kViewWidth);
    }
}
