// The skin's controls: the hit map under the mouse, the cursor, clicks, and
// the skin laid over the window surface with the volume knob.
#pragma once

#include "audio/playback.h"
#include "display/input.h"
#include "gfx/image.h"
#include "platform/services.h"

#include <cstdint>

struct SkinImages {
    const CImage& normal;
    const CImage& hover;
    const CImage& active;
    const CImage& knob;
    const CImage& hitMap;
};

// The hit-map colour under the mouse; a position outside the map counts as
// the black background.
uint32_t hoverColourAt(const CImage& hitMap, const InputState& input);

// The slider's own way of setting the volume: the knob's value and the
// audio level together, the level held to 0..1 (NaN counts as 0).
void setSliderVolume(Player& player, float& volume, float level);

// Sets the cursor and performs a pending click. Returns the hover colour.
uint32_t handleControls(const CImage& hitMap, InputState& input, Player& player, float& volume,
                        platform::Desktop& desktop);

// Lays the skin over the window surface (leaving the green key to the view),
// then blends the volume knob.
void overlaySkin(uint32_t* window, const SkinImages& skin, uint32_t hoverColour, bool streamActive,
                 bool paused, bool shuffle, float volume);
