#include "app/double_size.h"

#include "app/control_colours.h"

#include <cstring>

namespace {

constexpr uint32_t kColourBits = 0x00FFFFFFu;
constexpr uint32_t kGreenKey = 0x0000FF00u;
constexpr int32_t kKnobLeft = 33;
constexpr int32_t kKnobWidth = 25;
constexpr int32_t kKnobHeight = 20;
// A knob top that no volume gives: the knob lies off the window.
constexpr int32_t kKnobOffWindow = -0x7FFFFFFF;

bool isKey(uint32_t pixel) { return (pixel & kColourBits) == kGreenKey; }

bool hasSize(const CImage& image, int32_t width, int32_t height)
{
    return image.pixels != nullptr && image.width == width && image.height == height && image.bufferWidth == width;
}

// The knob's top row in window pixels, as the single-size overlay places it.
int32_t knobTopRow(float volume)
{
    const double top = (1.0 - double(volume)) * 74.0 + 13.0;
    if (!(top > -kWindowHeight && top < kWindowHeight))
        return kKnobOffWindow;
    return static_cast<int32_t>(top);
}

uint32_t lampColourFor(const SkinState& state)
{
    // Play is lit while the track plays or is paused, stop otherwise.
    return (state.streamActive || state.paused) ? control::kPlay : control::kStop;
}

// The same rules as the single-size overlay, for one window pixel's colour
// in the hit map; later rules win.
const CImage& layerFor(uint32_t h, const SkinImages& skin, const SkinLook& look)
{
    const CImage* layer = &skin.normal;
    if ((look.hoverColour & kColourBits) != 0 && h == look.hoverColour)
        layer = &skin.hover;
    if (h == control::kPause && look.paused)
        layer = &skin.active;
    else if (h == control::kShuffle && look.shuffle)
        layer = &skin.active;
    if (h == look.lampColour)
        layer = &skin.active;
    return *layer;
}

// Every pixel of `area` outside the key from the layer its window pixel
// chooses.
void layTheSkin(DoubleSizeFrame& frame, const SkinImages& skin, const WindowArea& area)
{
    uint32_t* out = frame.pixels.data();
    for (int32_t y = area.top; y <= area.bottom; ++y) {
        for (int32_t x = area.left; x <= area.right; ++x) {
            const uint32_t* layer = layerFor(skin.hitMap.pixels[y * kWindowWidth + x], skin, frame.look).pixels;
            for (int32_t dy = 0; dy < kDoubleScale; ++dy) {
                const int32_t k = (kDoubleScale * y + dy) * kDoubleWidth + kDoubleScale * x;
                for (int32_t dx = 0; dx < kDoubleScale; ++dx)
                    if (!isKey(layer[k + dx]))
                        out[k + dx] = layer[k + dx];
            }
        }
    }
}

constexpr WindowArea kWholeWindow{0, 0, kWindowWidth - 1, kWindowHeight - 1};

WindowArea areaOf(const DoubleSizeFrame& frame, uint32_t colour)
{
    for (const ColourArea& entry : frame.colourAreas)
        if (entry.colour == colour)
            return entry.area;
    return WindowArea{};
}

WindowArea knobArea(int32_t knobTop)
{
    if (knobTop == kKnobOffWindow)
        return WindowArea{};
    const int32_t top = knobTop < 0 ? 0 : knobTop;
    const int32_t bottom = knobTop + kKnobHeight - 1 >= kWindowHeight ? kWindowHeight - 1 : knobTop + kKnobHeight - 1;
    return WindowArea{kKnobLeft, top, kKnobLeft + kKnobWidth - 1, bottom};
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

void blendKnob(DoubleSizeFrame& frame, const CImage& knob)
{
    if (frame.look.knobTop == kKnobOffWindow)
        return;
    const int32_t top = kDoubleScale * frame.look.knobTop;
    const int32_t left = kDoubleScale * kKnobLeft;
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

// One pixel of the view per 2 x 2 block: the pixels of a span, from window
// column x0 / 2 of the view row.
void doubleInto(uint32_t* out, const uint32_t* viewRow, int32_t x0, int32_t length)
{
    int32_t x = x0;
    const int32_t end = x0 + length;
    if (x < end && (x & 1) != 0) {
        *out++ = viewRow[x >> 1];
        ++x;
    }
    const uint32_t* from = viewRow + (x >> 1);
    const int32_t pairs = (end - x) >> 1;
    for (int32_t i = 0; i < pairs; ++i) {
        out[2 * i] = from[i];
        out[2 * i + 1] = from[i];
    }
    if (((end - x) & 1) != 0)
        out[2 * pairs] = from[pairs];
}

void showTheView(DoubleSizeFrame& frame, const uint32_t* view)
{
    uint32_t* pixels = frame.pixels.data();
    for (const KeySpan& span : frame.keySpans) {
        uint32_t* out = pixels + span.start;
        if (span.sameAsRowAbove) {
            std::memcpy(out, out - kDoubleWidth, static_cast<size_t>(span.length) * sizeof(uint32_t));
            continue;
        }
        const int32_t y = span.start / kDoubleWidth;
        const int32_t x = span.start % kDoubleWidth;
        const uint32_t* viewRow = view + (y / kDoubleScale - kViewTop) * kViewWidth;
        doubleInto(out, viewRow, x - kDoubleScale * kViewLeft, span.length);
    }
}

// The areas whose look differs between the kept skin and `next` (which
// differs from it), and the knob's own area, where it is blended anew.
int32_t changedAreas(const DoubleSizeFrame& frame, const SkinLook& next, WindowArea* areas)
{
    const SkinLook& kept = frame.look;
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
    frame.keySpans.clear();
    frame.laid = false;
    // Only the view rectangle can show the view: a key pixel elsewhere (a
    // damaged layer) keeps the skin's frame colour instead.
    const int32_t left = kDoubleScale * kViewLeft;
    const int32_t right = kDoubleScale * (kViewLeft + kViewWidth);
    const int32_t top = kDoubleScale * kViewTop;
    const int32_t bottom = kDoubleScale * (kViewTop + kViewHeight);
    const uint32_t* normal = skin.normal.pixels;
    for (int32_t y = top; y < bottom; ++y) {
        int32_t x = left;
        while (x < right) {
            if (!isKey(normal[y * kDoubleWidth + x])) {
                ++x;
                continue;
            }
            const int32_t start = x;
            while (x < right && isKey(normal[y * kDoubleWidth + x]))
                ++x;
            KeySpan span{y * kDoubleWidth + start, x - start, false};
            // Both rows of a block show the same view row.
            if ((y & 1) != 0)
                for (const KeySpan& above : frame.keySpans)
                    if (above.start == span.start - kDoubleWidth && above.length == span.length)
                        span.sameAsRowAbove = true;
            frame.keySpans.push_back(span);
        }
    }
    frame.firstKeyRow = frame.keySpans.empty() ? kDoubleHeight : frame.keySpans.front().start / kDoubleWidth;
    findColourAreas(frame, skin.hitMap);
    return true;
}

void composeDoubleSize(DoubleSizeFrame& frame, const SkinImages& skin, const uint32_t* view, const SkinState& state)
{
    SkinLook next;
    next.hoverColour = (state.hoverColour & kColourBits) != 0 ? state.hoverColour : 0;
    next.lampColour = lampColourFor(state);
    next.paused = state.paused;
    next.shuffle = state.shuffle;
    next.knobTop = knobTopRow(state.volume);
    // A volume outside 0..1 could bring the knob down over the view, where
    // it lies over the view's pixels: then nothing is kept for that pass.
    const bool knobOverView =
        next.knobTop != kKnobOffWindow && kDoubleScale * (next.knobTop + kKnobHeight) > frame.firstKeyRow;
    if (knobOverView || !frame.laid) {
        frame.look = next;
        frame.laid = !knobOverView;
        layTheSkin(frame, skin, kWholeWindow);
        if (knobOverView)
            showTheView(frame, view);
        blendKnob(frame, skin.knob);
        if (!knobOverView)
            showTheView(frame, view);
        return;
    }
    if (!(next == frame.look)) {
        WindowArea areas[kMostChangedAreas];
        const int32_t count = changedAreas(frame, next, areas);
        frame.look = next;
        for (int32_t i = 0; i < count; ++i)
            layTheSkin(frame, skin, areas[i]);
        if (count > 0)
            blendKnob(frame, skin.knob);
    }
    showTheView(frame, view);
}
