// The window at double size for HiDPI screens: the single-size frame's rules
// drawn on 674 x 886 pixels with the double-size skin. The view is still
// computed at 320 x 240 and shown as 2 x 2 blocks; which layer a pixel shows
// is decided by the single-size hit map for the window pixel it belongs to.
#pragma once

#include "app/controls.h"
#include "gfx/frame.h"
#include "gfx/image.h"

#include <cstdint>
#include <memory>
#include <vector>

constexpr int32_t kDoubleScale = 2;
constexpr int32_t kDoubleWidth = kDoubleScale * kWindowWidth;
constexpr int32_t kDoubleHeight = kDoubleScale * kWindowHeight;

// Everything the skin's look depends on, as the frame loop knows it.
struct SkinState {
    uint32_t hoverColour = 0;
    bool streamActive = false;
    bool paused = false;
    bool shuffle = false;
    float volume = 0.0f;
};

// One run of green-key pixels in a row of the frame, where the view shows.
struct KeySpan {
    int32_t start = 0;  // index of its first pixel in the frame
    int32_t length = 0;
    bool sameAsRowAbove = false; // the row above holds the same pixels here
};

// The double-size frame. The skin outside the key is kept from the pass that
// last changed its look; each pass writes only the view through the key.
struct DoubleSizeFrame {
    std::vector<uint32_t> pixels; // kDoubleWidth x kDoubleHeight, allocated once
    std::vector<KeySpan> keySpans;
    int32_t firstKeyRow = 0;
    // The look the kept skin was laid for; `laid` false until the first pass.
    bool laid = false;
    uint32_t hoverColour = 0;
    uint32_t lampColour = 0;
    bool paused = false;
    bool shuffle = false;
    int32_t knobTop = 0;
};

// The double-size images the program loads at scale 2.
struct DoubleSizeSkin {
    std::unique_ptr<CImage> normal;
    std::unique_ptr<CImage> hover;
    std::unique_ptr<CImage> active;
    std::unique_ptr<CImage> knob;
    DoubleSizeFrame frame;
};

// Sizes the frame and finds the key's spans in the double-size normal layer
// (the same in every layer). False when the layers are not 674 x 886, the
// knob not 50 x 40 or the hit map not 337 x 443.
bool prepareDoubleSizeFrame(DoubleSizeFrame& frame, const SkinImages& skin);

// Composes a frame from the view (320 x 240) and the skin's state: `skin`
// holds the double-size layers and knob with the single-size hit map. Lays
// the skin again only when its look changed since the last pass.
void composeDoubleSize(DoubleSizeFrame& frame, const SkinImages& skin, const uint32_t* view, const SkinState& state);
