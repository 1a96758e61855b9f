// The background effects: shared tables, the sequencer and the passes.
#pragma once

#include "gfx/image.h"
#include "platform/services.h"

#include <cstdint>
#include <memory>

constexpr int kTunnelGridColumns = 81;
constexpr int kTunnelGridRows = 61;

// Texture coordinates cast at the tunnel's grid points; kept between frames
// because a point whose ray finds no wall keeps its last values.
struct TunnelGrid {
    int32_t u[kTunnelGridColumns * kTunnelGridRows] = {};
    int32_t v[kTunnelGridColumns * kTunnelGridRows] = {};
};

struct EffectState {
    uint8_t sineTable[256] = {};
    std::unique_ptr<CImage> heightMap;
    std::unique_ptr<CImage> textures[6];
    std::unique_ptr<CImage> paletteStrip;
    TunnelGrid tunnel;
};

// Fills the sine table and decodes the effect images. False, with a message
// on standard error, when an image is missing or not of its size.
bool InitEffects(EffectState& effects);

// Paints this frame's background into the 320x240 view. The effect and the
// texture follow the clock (ten seconds each); a held digit key 1..5 forces
// an effect.
void RunEffect(EffectState& effects, uint32_t* view, platform::Clock& clock, platform::KeyState& keys);
