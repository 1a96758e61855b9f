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

// What decides each skin pixel's layer, and the knob's place.
struct SkinLook {
    uint32_t hoverColour = 0; // 0 when the mouse is over no colour at all
    uint32_t lampColour = 0;  // the play or the stop colour
    bool paused = false;
    bool shuffle = false;
    int32_t knobTop = 0; // in window pixels
    bool operator==(const SkinLook&) const = default;
};

// Inclusive bounds in window pixels (337 x 443).
struct WindowArea {
    int32_t left = 0, top = 0, right = -1, bottom = -1;
    bool empty() const { return right < left || bottom < top; }
};

// Where one colour of the hit map lies.
struct ColourArea {
    uint32_t colour = 0;
    WindowArea area;
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
    // Every colour of the hit map with its bounds: a change of look lays
    // the skin again only over the controls it concerns.
    std::vector<ColourArea> colourAreas;
    // The look the kept skin was laid for; `laid` false until the first pass.
    bool laid = false;
    SkinLook look;
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
