// The window's own coordinates at any scale: at scale 2 the window has
// 674 x 886 screen pixels, but the hit map, the slider box and the drag
// rules all work in its 337 x 443 pixels.
#pragma once

#include "platform/window.h"

#include <cstdint>

// The event with its pointer position divided by `scale`, rounding toward
// minus infinity so a position left of or above the window stays outside it.
// Events that carry no pointer position (a key, a move of the window on the
// screen) come back unchanged.
platform::Event toWindowPixels(const platform::Event& event, int32_t scale);
