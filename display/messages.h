// How the window's events change the shared input state.
#pragma once

#include "display/input.h"
#include "platform/window.h"

// The box over the volume slider where a press never drags the window
// (bounds inclusive, client pixels).
constexpr int32_t kSliderBoxLeft = 34;
constexpr int32_t kSliderBoxRight = 57;
constexpr int32_t kSliderBoxTop = 14;
constexpr int32_t kSliderBoxBottom = 106;

// Applies one event to `input`. Returns true when the event is a left press
// that should start dragging the window (any press outside the slider box).
bool handleMessage(InputState& input, const platform::Event& event);
