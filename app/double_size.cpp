#include "app/double_size.h"

#include "app/skin_layers.h"

#include <cstring>

namespace {

constexpr int32_t kKnobWidth = 25;
constexpr int32_t kKnobHeight = 20;
constexpr WindowArea kWholeWindow{0, 0, kWindowWidth - 1, kWindowHeight - 1};

bool hasSize(const CImage& image, int32_t width, int32_t height)
{
    return image.pixels != nullptr && image.width == width && image.height == height && image.bufferWidth == width;
}

// Every pixel of `area` outside the key from the layer its window pixel
// chooses.
void layTheSkin(DoubleSizeFrame& frame, const SkinImages& skin, const WindowArea& area)
{
    const SkinInputs& in = frame.inputs;
    uint32_t* out = frame.pixels.data();
    for (int32_t y = area.top; y <= area.bottom; ++y) {
        for (int32_t x = area.left; x <= area.right; ++x) {
            const uint32_t* layer = skin::layerFor(skin.hitMap.pixels[y * kWindowWidth + x], skin.normal, skin.hover,
                                                   skin.active, in.hoverColour, in.paused, in.shuffle, in.lampColour);
            for (int32_t dy = 0; dy < kDoubleScale; ++dy) {
                const int32_t k = (kDoubleScale * y + dy) * kDoubleWidth + kDoubleScale * x;
                for (int32_t dx = 0; dx < kDoubleScale; ++dx)
                    if (!skin::isGreenKey(layer[k + dx]))
                        out[k + dx] = layer[k + dx];
            }
        }
    }
}

void blendKnob(DoubleSizeFrame& frame, const CImage& knob)
{
    if (frame.inputs.knobTop == skin::kNoKnobRow)
        return;
    const int32_t top = kDoubleScale * frame.inputs.knobTop;
    const int32_t left = kDoubleScale * skin::kKnobLeft;
    for (int32_t r = 0; r < knob.height; ++r) {
        const int32_t y = top + r;
        if (y < 0 || y >= kDoubleHeight)
            continue;
        for (int32_t c = 0; c < knob.width && left + c < kDoubleWidth; ++c) {
            const uint32_t s = knob.pixels[r * knob.bufferWidth + c];
            uint32_t& d = frame.pixels[static_cast<size_t>(y) * kDoubleWidth + left + c];
            d = blendOver(d, s, static_cast<int32_t>(s >> 24));
        }
    }
}

// Each view pixel of a span as a 2 x 2 block: the first row doubled column
// by column, the second a copy of the first.
void showTheView(DoubleSizeFrame& frame, const uint32_t* view)
{
    for (const ViewSpan& span : frame.spans) {
        const uint32_t* from = view + span.row * kViewWidth + span.left;
        uint32_t* out = frame.pixels.data() + kDoubleScale * (kViewTop + span.row) * kDoubleWidth +
                        kDoubleScale * (kViewLeft + span.left);
        for (int32_t i = 0; i < span.width; ++i) {
            out[2 * i] = from[i];
            out[2 * i + 1] = from[i];
        }
        std::memcpy(out + kDoubleWidth, out, kDoubleScale * span.width * sizeof(uint32_t));
    }
}

WindowArea areaOf(const DoubleSizeFrame& frame, uint32_t colour)
{
    for (const ColourArea& entry : frame.colourAreas)
        if (entry.colour == colour)
            return entry.area;
    return WindowArea{};
}

WindowArea knobArea(int32_t knobTop)
{
    if (knobTop == skin::kNoKnobRow)
        return WindowArea{};
    const int32_t bottom = knobTop + kKnobHeight - 1;
    return WindowArea{skin::kKnobLeft, knobTop < 0 ? 0 : knobTop, skin::kKnobLeft + kKnobWidth - 1,
                      bottom >= kWindowHeight ? kWindowHeight - 1 : bottom};
}

// The hit map's colours and their bounds, found once.
void findColourAreas(DoubleSizeFrame& frame, const CImage& hitMap)
{
    frame.colourAreas.clear();
    for (int32_t y = 0; y < kWindowHeight; ++y) {
        for (int32_t x = 0; x < kWindowWidth; ++x) {
            const uint32_t colour = hitMap.pixels[y * kWindowWidth + x];
            ColourArea* found = nullptr;
            for (ColourArea& entry : frame.colourAreas)
                if (entry.colour == colour)
                    found = &entry;
            if (found == nullptr) {
                frame.colourAreas.push_back(ColourArea{colour, WindowArea{x, y, x, y}});
                continue;
            }
            WindowArea& a = found->area;
            a.left = x < a.left ? x : a.left;
            a.right = x > a.right ? x : a.right;
            a.bottom = y; // rows come in order
        }
    }
}

// How many of the four pixels of a view pixel's block are key.
int32_t keyPixelsOfBlock(const CImage& normal, int32_t row, int32_t column)
{
    const int32_t y = kDoubleScale * (kViewTop + row);
    const int32_t x = kDoubleScale * (kViewLeft + column);
    int32_t count = 0;
    for (int32_t dy = 0; dy < kDoubleScale; ++dy)
        for (int32_t dx = 0; dx < kDoubleScale; ++dx)
            count += skin::isGreenKey(normal.pixels[(y + dy) * kDoubleWidth + x + dx]) ? 1 : 0;
    return count;
}

// The view's spans through the key; false when a block is only partly key.
bool findSpans(DoubleSizeFrame& frame, const CImage& normal)
{
    frame.spans.clear();
    constexpr int32_t wholeBlock = kDoubleScale * kDoubleScale;
    for (int32_t row = 0; row < kViewHeight; ++row) {
        int32_t start = -1;
        for (int32_t column = 0; column <= kViewWidth; ++column) {
            const int32_t keyed = column < kViewWidth ? keyPixelsOfBlock(normal, row, column) : 0;
            if (keyed != 0 && keyed != wholeBlock)
                return false;
            if (keyed != 0 && start < 0)
                start = column;
            if (keyed == 0 && start >= 0) {
                frame.spans.push_back({uint16_t(row), uint16_t(start), uint16_t(column - start)});
                start = -1;
            }
        }
    }
    frame.firstKeyRow = frame.spans.empty() ? kWindowHeight : kViewTop + frame.spans.front().row;
    return true;
}

// The areas whose look differs between the kept skin and `next` (which
// differs from it), and the knob's own area, where it is blended anew.
int32_t changedAreas(const DoubleSizeFrame& frame, const SkinInputs& next, WindowArea* areas)
{
    const SkinInputs& kept = frame.inputs;
    int32_t count = 0;
    const auto add = [&](const WindowArea& area) {
        if (!area.empty())
            areas[count++] = area;
    };
    if (next.hoverColour != kept.hoverColour) {
        add(areaOf(frame, kept.hoverColour));
        add(areaOf(frame, next.hoverColour));
    }
    if (next.lampColour != kept.lampColour) {
        add(areaOf(frame, control::kPlay));
        add(areaOf(frame, control::kStop));
    }
    if (next.paused != kept.paused)
        add(areaOf(frame, control::kPause));
    if (next.shuffle != kept.shuffle)
        add(areaOf(frame, control::kShuffle));
    if (next.knobTop != kept.knobTop)
        add(knobArea(kept.knobTop));
    add(knobArea(next.knobTop));
    return count;
}

constexpr int32_t kMostChangedAreas = 9;

} // namespace

bool prepareDoubleSizeFrame(DoubleSizeFrame& frame, const SkinImages& skin)
{
    if (!hasSize(skin.normal, kDoubleWidth, kDoubleHeight) || !hasSize(skin.hover, kDoubleWidth, kDoubleHeight) ||
        !hasSize(skin.active, kDoubleWidth, kDoubleHeight) || !hasSize(skin.hitMap, kWindowWidth, kWindowHeight) ||
        skin.knob.pixels == nullptr || skin.knob.width != kDoubleScale * kKnobWidth ||
        skin.knob.height != kDoubleScale * kKnobHeight)
        return false;
    frame.pixels.assign(static_cast<size_t>(kDoubleWidth) * kDoubleHeight, 0);
    frame.laid = false;
    findColourAreas(frame, skin.hitMap);
    return findSpans(frame, skin.normal);
}

void composeDoubleSize(DoubleSizeFrame& frame, const SkinImages& skin, const uint32_t* view, uint32_t hoverColour,
                       bool streamActive, bool paused, bool shuffle, float volume)
{
    const SkinInputs next = skinInputsFor(hoverColour, streamActive, paused, shuffle, volume);
    // A volume outside 0..1 could bring the knob down over the view, where
    // its blend reads the view's pixels: then nothing is kept for that pass.
    const bool knobOverView = next.knobTop != skin::kNoKnobRow && next.knobTop + kKnobHeight > frame.firstKeyRow;
    if (knobOverView || !frame.laid) {
        frame.inputs = next;
        frame.laid = !knobOverView;
        layTheSkin(frame, skin, kWholeWindow);
        if (knobOverView)
            showTheView(frame, view);
        blendKnob(frame, skin.knob);
        if (!knobOverView)
            showTheView(frame, view);
        return;
    }
    if (!(next == frame.inputs)) {
        WindowArea areas[kMostChangedAreas];
        const int32_t count = changedAreas(frame, next, areas);
        frame.inputs = next;
        for (int32_t i = 0; i < count; ++i)
            layTheSkin(frame, skin, areas[i]);
        if (count > 0)
            blendKnob(frame, skin.knob);
    }
    showTheView(frame, view);
}
