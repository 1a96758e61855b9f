// The double-size frame against the rules it must follow, pixel by pixel,
// after every kind of change to what the skin shows (a kept skin that went
// stale would show here), and against the single-size frame it doubles.
#include "app/controls.h"
#include "app/double_size.h"

#include "app/control_colours.h"
#include "assets/assets.h"
#include "gfx/frame.h"
#include "gfx/image.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Images {
    CImage normal{assets::skinNormal};
    CImage hover{assets::skinHover};
    CImage active{assets::skinActive};
    CImage knob{assets::volumeKnob};
    CImage hitMap{assets::hitMap};
    CImage normal2x{assets::skinNormal2x};
    CImage hover2x{assets::skinHover2x};
    CImage active2x{assets::skinActive2x};
    CImage knob2x{assets::volumeKnob2x};
    SkinImages single{normal, hover, active, knob, hitMap};
    SkinImages doubled{normal2x, hover2x, active2x, knob2x, hitMap};
};

const Images& images()
{
    static const auto loaded = std::make_unique<Images>();
    return *loaded;
}

bool isKey(uint32_t pixel) { return (pixel & 0xFFFFFFu) == 0x00FF00u; }

std::vector<uint32_t> viewPattern(uint32_t seed)
{
    std::vector<uint32_t> view(kViewWidth * kViewHeight);
    for (size_t i = 0; i < view.size(); ++i)
        view[i] = static_cast<uint32_t>(i * 2654435761u + seed * 40503u) | 0xFF000000u;
    return view;
}

// The single-size rules, written out: the layer for a window pixel's hit
// colour, the view through the key, the knob at the doubled rows.
// What a pass is given.
struct SkinState {
    uint32_t hoverColour = 0;
    bool streamActive = false;
    bool paused = false;
    bool shuffle = false;
    float volume = 0.0f;
};

void compose(DoubleSizeFrame& frame, const std::vector<uint32_t>& view, const SkinState& s)
{
    composeDoubleSize(frame, images().doubled, view.data(), s.hoverColour, s.streamActive, s.paused, s.shuffle,
                      s.volume);
}

const CImage& chosenLayer(uint32_t h, const SkinState& s)
{
    const Images& im = images();
    const CImage* layer = &im.normal2x;
    if ((s.hoverColour & 0xFFFFFFu) != 0 && h == s.hoverColour)
        layer = &im.hover2x;
    if ((h == control::kPause && s.paused) || (h == control::kShuffle && s.shuffle))
        layer = &im.active2x;
    if (h == ((s.streamActive || s.paused) ? control::kPlay : control::kStop))
        layer = &im.active2x;
    return *layer;
}

std::vector<uint32_t> expectedFrame(const std::vector<uint32_t>& view, const SkinState& s)
{
    const Images& im = images();
    std::vector<uint32_t> frame(static_cast<size_t>(kDoubleWidth) * kDoubleHeight);
    for (int y = 0; y < kDoubleHeight; ++y) {
        for (int x = 0; x < kDoubleWidth; ++x) {
            const uint32_t p = chosenLayer(im.hitMap.pixel(x / 2, y / 2), s).pixel(x, y);
            frame[static_cast<size_t>(y) * kDoubleWidth + x] =
                isKey(p) ? view[(y / 2 - kViewTop) * kViewWidth + x / 2 - kViewLeft] : p;
        }
    }
    const int top = 2 * static_cast<int>((1.0 - double(s.volume)) * 74.0 + 13.0);
    for (int r = 0; r < 40; ++r) {
        for (int c = 0; c < 50; ++c) {
            const uint32_t k = im.knob2x.pixel(c, r);
            uint32_t& d = frame[static_cast<size_t>(top + r) * kDoubleWidth + 66 + c];
            d = blendOver(d, k, static_cast<int32_t>(k >> 24));
        }
    }
    return frame;
}

void expectSameFrame(const std::vector<uint32_t>& got, const std::vector<uint32_t>& want)
{
    int wrong = 0;
    for (size_t k = 0; k < want.size() && wrong < 5; ++k)
        if (got[k] != want[k]) {
            ++wrong;
            ADD_FAILURE() << "pixel " << k % kDoubleWidth << "," << k / kDoubleWidth << ": " << std::hex << got[k]
                          << " instead of " << want[k];
        }
}

TEST(DoubleSize, EachPassFollowsTheRulesAfterEveryKindOfChange)
{
    DoubleSizeFrame frame;
    ASSERT_TRUE(prepareDoubleSizeFrame(frame, images().doubled));
    struct Step {
        const char* what;
        SkinState state;
    };
    const Step steps[] = {
        {"playing", {0xFF000000u, true, false, false, 1.0f}},
        {"over next", {control::kNext, true, false, false, 1.0f}},
        {"off it again", {0xFF000000u, true, false, false, 1.0f}},
        {"the same look, a new view", {0xFF000000u, true, false, false, 1.0f}},
        {"paused", {0xFF000000u, false, true, false, 1.0f}},
        {"shuffle on, over pause", {control::kPause, false, true, true, 1.0f}},
        {"stopped", {control::kClose, false, false, true, 1.0f}},
        {"volume half", {control::kVolume, true, false, true, 0.5f}},
        {"volume off", {control::kVolume, true, false, false, 0.0f}},
        {"a volume below zero puts the knob over the view", {0xFF000000u, true, false, false, -3.0f}},
        {"back to full", {0xFF000000u, true, false, false, 1.0f}},
    };
    uint32_t seed = 1;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const std::vector<uint32_t> view = viewPattern(seed++);
        compose(frame, view, step.state);
        expectSameFrame(frame.pixels, expectedFrame(view, step.state));
    }
}

// Inside the view each single-size pixel of the view becomes a 2 x 2 block;
// the knob stands on the doubled rows of the single-size knob.
TEST(DoubleSize, TheViewAndTheKnobAreTheSingleSizeFramesDoubled)
{
    const std::vector<uint32_t> view = viewPattern(7);
    const SkinState state{control::kNext, true, false, false, 0.5f};
    std::vector<uint32_t> single(static_cast<size_t>(kWindowWidth) * kWindowHeight, 0);
    for (int r = 0; r < kViewHeight; ++r)
        for (int c = 0; c < kViewWidth; ++c)
            single[(kViewTop + r) * kWindowWidth + kViewLeft + c] = view[r * kViewWidth + c];
    overlaySkin(single.data(), images().single, state.hoverColour, state.streamActive, state.paused, state.shuffle,
                state.volume);
    DoubleSizeFrame frame;
    ASSERT_TRUE(prepareDoubleSizeFrame(frame, images().doubled));
    compose(frame, view, state);

    int viewPixels = 0;
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x) {
            if (!isKey(images().normal.pixel(x, y)))
                continue;
            ++viewPixels;
            const uint32_t shown = single[y * kWindowWidth + x];
            for (int d = 0; d < 4; ++d)
                ASSERT_EQ(frame.pixels[(2 * y + d / 2) * kDoubleWidth + 2 * x + d % 2], shown) << x << "," << y;
        }
    }
    EXPECT_GT(viewPixels, 60000);
    // The rows where the knob changed the slider, single size and double.
    const auto knobRows = [](const uint32_t* frame, const CImage& normal, int width, int column) {
        std::vector<int> rows;
        for (int y = 0; y < normal.height; ++y)
            if (frame[y * width + column] != normal.pixel(column, y))
                rows.push_back(y);
        return rows;
    };
    const std::vector<int> rows1 = knobRows(single.data(), images().normal, kWindowWidth, 45);
    const std::vector<int> rows2 = knobRows(frame.pixels.data(), images().normal2x, kDoubleWidth, 90);
    ASSERT_FALSE(rows1.empty());
    EXPECT_EQ(rows2.front(), 2 * rows1.front());
    EXPECT_EQ(rows2.back(), 2 * rows1.back() + 1);
}

TEST(DoubleSize, RefusesImagesOfTheWrongSize)
{
    const Images& im = images();
    DoubleSizeFrame frame;
    EXPECT_FALSE(prepareDoubleSizeFrame(frame, im.single)) << "single-size layers";
    EXPECT_FALSE(prepareDoubleSizeFrame(frame, SkinImages{im.normal2x, im.hover2x, im.active2x, im.knob, im.hitMap}))
        << "single-size knob";
    EXPECT_FALSE(
        prepareDoubleSizeFrame(frame, SkinImages{im.normal2x, im.hover2x, im.active2x, im.knob2x, im.normal2x}))
        << "double-size hit map";
}

} // namespace
