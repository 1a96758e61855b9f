#include "app/skin_cache.h"

#include "app/composition.h"
#include "app/skin_layers.h"

#include <cstring>

namespace {

bool overlapsView(int top, int height)
{
    return top < kViewTop + kViewHeight && top + height > kViewTop;
}

// Whether laying the skin twice over the same window gives what laying it
// once did, so that a pass may leave the skin as the last change laid it.
// That fails when the knob lies over the view (its blend reads the view's
// pixels), over a key pixel (its blend would pile up pass after pass), or
// when a damaged layer keeps the overlay from laying anything.
bool isSteady(const SkinImages& images, const SkinInputs& in)
{
    if (!skin::coversWindow(images.normal) || !skin::coversWindow(images.hover) ||
        !skin::coversWindow(images.active) || !skin::coversWindow(images.hitMap))
        return false;
    const CImage& knob = images.knob;
    if (knob.pixels == nullptr || in.knobTop == skin::kNoKnobRow)
        return true;
    if (overlapsView(in.knobTop, knob.height))
        return false;
    for (int r = 0; r < knob.height; ++r) {
        const int y = in.knobTop + r;
        if (y < 0 || y >= kWindowHeight)
            continue;
        for (int c = 0; c < knob.width && skin::kKnobLeft + c < kWindowWidth; ++c) {
            if ((knob.pixels[r * knob.bufferWidth + c] >> 24) == 0)
                continue; // a zero-strength blend leaves the pixel as it is
            const int k = y * kWindowWidth + skin::kKnobLeft + c;
            const uint32_t* layer = skin::layerFor(images.hitMap.pixels[k], images.normal, images.hover,
                                                   images.active, in.hoverColour, in.paused, in.shuffle,
                                                   in.lampColour);
            if (skin::isGreenKey(layer[k]))
                return false;
        }
    }
    return true;
}

// A hit-map pixel without colour bits is no control, whatever the inputs.
static_assert((control::kPlay & skin::kColourBits) != 0 && (control::kPause & skin::kColourBits) != 0 &&
              (control::kStop & skin::kColourBits) != 0 && (control::kShuffle & skin::kColourBits) != 0);

// The runs of each view row whose skin pixel is the key, for these inputs.
void findSpans(SkinCache& cache, const SkinImages& images, const SkinInputs& in)
{
    cache.spanCount = 0;
    for (int y = 0; y < kViewHeight; ++y) {
        int start = -1;
        for (int x = 0; x <= kViewWidth; ++x) {
            bool key = false;
            if (x < kViewWidth) {
                // A pixel of no control (no colour bits in the hit map)
                // shows the normal layer, as the overlay takes it.
                const int k = (kViewTop + y) * kWindowWidth + kViewLeft + x;
                const uint32_t h = images.hitMap.pixels[k];
                const uint32_t* layer = (h & skin::kColourBits) == 0
                                            ? images.normal.pixels
                                            : skin::layerFor(h, images.normal, images.hover, images.active,
                                                             in.hoverColour, in.paused, in.shuffle, in.lampColour);
                key = skin::isGreenKey(layer[k]);
            }
            if (key && start < 0)
                start = x;
            if (!key && start >= 0) {
                cache.spans[cache.spanCount++] = {uint16_t(y), uint16_t(start), uint16_t(x - start)};
                start = -1;
            }
        }
    }
}

} // namespace

SkinInputs skinInputsFor(uint32_t hoverColour, bool streamActive, bool paused, bool shuffle, float volume)
{
    SkinInputs in;
    in.hoverColour = (hoverColour & skin::kColourBits) != 0 ? hoverColour : 0;
    in.lampColour = skin::lampColour(streamActive, paused);
    in.paused = paused;
    in.shuffle = shuffle;
    in.knobTop = skin::knobTopRow(volume);
    return in;
}

void copyViewSpans(uint32_t* window, const uint32_t* view, const SkinCache& cache)
{
    for (int i = 0; i < cache.spanCount; ++i) {
        const ViewSpan& s = cache.spans[i];
        std::memcpy(window + (kViewTop + s.row) * kWindowWidth + kViewLeft + s.left, view + s.row * kViewWidth + s.left,
                    s.width * sizeof(uint32_t));
    }
}

bool composeWindow(uint32_t* window, const uint32_t* view, const SkinImages& skin, SkinCache& cache,
                   uint32_t hoverColour, bool streamActive, bool paused, bool shuffle, float volume)
{
    const SkinInputs in = skinInputsFor(hoverColour, streamActive, paused, shuffle, volume);
    if (cache.valid && cache.steady && cache.inputs == in) {
        copyViewSpans(window, view, cache);
        return true;
    }
    copyView(window, view);
    overlaySkin(window, skin, hoverColour, streamActive, paused, shuffle, volume);
    cache.valid = true;
    cache.inputs = in;
    cache.steady = isSteady(skin, in);
    if (cache.steady)
        findSpans(cache, skin, in);
    return false;
}
