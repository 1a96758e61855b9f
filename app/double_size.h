// The window at double size for HiDPI screens: the single-size frame's rules
// drawn on 674 x 886 pixels with the double-size skin. The view is still
// computed at 320 x 240 and shown as 2 x 2 blocks; which layer a pixel shows
// is decided by the single-size hit map for the window pixel it belongs to,
// and the skin is kept between changes of its inputs as at single size.
#pragma once

#include "app/controls.h"
#include "app/skin_cache.h"
#include "gfx/frame.h"
#include "gfx/image.h"

#include <cstdint>
#include <memory>
#include <vector>

constexpr int32_t kDoubleScale = 2;
constexpr int32_t kDoubleWidth = kDoubleScale * kWindowWidth;
constexpr int32_t kDoubleHeight = kDoubleScale * kWindowHeight;

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

// The double-size frame. The skin outside the key is kept from the pass that
// last changed its inputs; each pass writes only the view through the key.
struct DoubleSizeFrame {
    std::vector<uint32_t> pixels; // kDoubleWidth x kDoubleHeight, allocated once
    // The view pixels whose 2 x 2 blocks are key, in view coordinates.
    std::vector<ViewSpan> spans;
    int32_t firstKeyRow = 0; // in window pixels
    // Every colour of the hit map with its bounds: a change of the inputs
    // lays the skin again only over the controls it concerns.
    std::vector<ColourArea> colourAreas;
    // The inputs the kept skin was laid for; `laid` false until the first
    // pass and after the window was hidden.
    bool laid = false;
    SkinInputs inputs;
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
// knob not 50 x 40, the hit map not 337 x 443, or the key does not cover
// whole 2 x 2 blocks inside the view.
bool prepareDoubleSizeFrame(DoubleSizeFrame& frame, const SkinImages& skin);

// Composes a frame from the view (320 x 240) and the skin's state: `skin`
// holds the double-size layers and knob with the single-size hit map.
void composeDoubleSize(DoubleSizeFrame& frame, const SkinImages& skin, const uint32_t* view, uint32_t hoverColour,
                       bool streamActive, bool paused, bool shuffle, float volume);
