// The skin kept between passes. Outside the view's green key the window
// surface changes only when the hover control, a lamp, pause, shuffle or the
// knob's row changes; between such changes a pass writes only the view's
// pixels that show through the key, as a list of spans (copies, no test per
// pixel). The list is in view coordinates so that a scaled composition can
// walk the same spans.
#pragma once

#include "app/controls.h"
#include "gfx/frame.h"

#include <cstdint>

// Everything the skin outside the view depends on, reduced to what changes
// pixels: a hover colour without colour bits lights nothing, and the volume
// matters only through the knob's row.
struct SkinInputs {
    uint32_t hoverColour = 0;
    uint32_t lampColour = 0;
    bool paused = false;
    bool shuffle = false;
    int32_t knobTop = 0;
    bool operator==(const SkinInputs&) const = default;
};

SkinInputs skinInputsFor(uint32_t hoverColour, bool streamActive, bool paused, bool shuffle, float volume);

// A run of view pixels in one row that the window shows through the key.
struct ViewSpan {
    uint16_t row;
    uint16_t left;
    uint16_t width;
};

struct SkinCache {
    bool valid = false;  // the window surface holds the skin for `inputs`
    bool steady = false; // a pass may write the spans alone (see skin_cache.cpp)
    SkinInputs inputs;
    int32_t spanCount = 0;
    // At most every other pixel of the view starts a span.
    ViewSpan spans[kViewWidth / 2 * kViewHeight];
};

// Puts the finished view into the window surface under the skin, as
// copyView followed by overlaySkin would, writing only what changed since
// the last call: the whole window after a change of the skin's inputs (or
// with an invalid cache), else the view's spans. True when only pixels
// inside the view's rectangle can have changed.
bool composeWindow(uint32_t* window, const uint32_t* view, const SkinImages& skin, SkinCache& cache,
                   uint32_t hoverColour, bool streamActive, bool paused, bool shuffle, float volume);

// Writes the view's spans into the window surface.
void copyViewSpans(uint32_t* window, const uint32_t* view, const SkinCache& cache);
