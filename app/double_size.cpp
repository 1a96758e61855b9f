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
const CImage& layerFor(uint32_t h, const SkinImages& skin, const DoubleSizeFrame& look)
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

// Every pixel outside the key from the layer its window pixel chooses.
void layTheSkin(DoubleSizeFrame& frame, const SkinImages& skin)
{
    uint32_t* out = frame.pixels.data();
    for (int32_t y = 0; y < kWindowHeight; ++y) {
        for (int32_t x = 0; x < kWindowWidth; ++x) {
            const uint32_t* layer = layerFor(skin.hitMap.pixels[y * kWindowWidth + x], skin, frame).pixels;
            for (int32_t dy = 0; dy < kDoubleScale; ++dy) {
                const int32_t k = (kDoubleScale * y + dy) * kDoubleWidth + kDoubleScale * x;
                for (int32_t dx = 0; dx < kDoubleScale; ++dx)
                    if (!isKey(layer[k + dx]))
                        out[k + dx] = layer[k + dx];
            }
        }
    }
}

void blendKnob(DoubleSizeFrame& frame, const CImage& knob)
{
    if (frame.knobTop == kKnobOffWindow)
        return;
    const int32_t top = kDoubleScale * frame.knobTop;
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

bool lookChanged(const DoubleSizeFrame& frame, uint32_t hover, uint32_t lamp, const SkinState& state, int32_t knobTop)
{
    return !frame.laid || frame.hoverColour != hover || frame.lampColour != lamp || frame.paused != state.paused ||
           frame.shuffle != state.shuffle || frame.knobTop != knobTop;
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
    return true;
}

void composeDoubleSize(DoubleSizeFrame& frame, const SkinImages& skin, const uint32_t* view, const SkinState& state)
{
    const uint32_t hover = (state.hoverColour & kColourBits) != 0 ? state.hoverColour : 0;
    const uint32_t lamp = lampColourFor(state);
    const int32_t knobTop = knobTopRow(state.volume);
    // A volume outside 0..1 could bring the knob down over the view, where
    // it lies over the view's pixels: then nothing is kept for that pass.
    const bool knobOverView =
        knobTop != kKnobOffWindow && kDoubleScale * (knobTop + kKnobHeight) > frame.firstKeyRow;
    if (knobOverView || lookChanged(frame, hover, lamp, state, knobTop)) {
        frame.laid = !knobOverView;
        frame.hoverColour = hover;
        frame.lampColour = lamp;
        frame.paused = state.paused;
        frame.shuffle = state.shuffle;
        frame.knobTop = knobTop;
        layTheSkin(frame, skin);
        if (knobOverView) {
            showTheView(frame, view);
            blendKnob(frame, skin.knob);
            return;
        }
        blendKnob(frame, skin.knob);
    }
    showTheView(frame, view);
}
