#include "gfx/effects/passes.h"
#include "gfx/frame.h"

int ChooseEffect(uint32_t ms, platform::KeyState& keys)
{
    int effect = static_cast<int>((ms / 10000u) % kEffectCount);
    // One snapshot of the keys for the pass; the highest held digit wins.
    const uint32_t held = keys.digitsDown();
    for (int i = 0; i < kEffectCount; ++i) {
        if ((held & (1u << (1 + i))) != 0)
            effect = i;
    }
    return effect;
}

int ChooseTexture(uint32_t ms)
{
    return static_cast<int>((ms / 10000u) % kTextureCount);
}

void DrawWarpUnderTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t warpMs,
                          uint32_t terrainMs)
{
    // The terrain covers about a third of the view and paints the same
    // whatever lies under it, so drawing it first spares the background
    // the pixels it would lose anyway.
    int32_t paintedRows[kViewWidth];
    DrawVoxelTerrainCounting(effects, texture, view, terrainMs, paintedRows);
    DrawWarpBackgroundAbove(effects, texture, view, warpMs, paintedRows);
}

void RunEffect(EffectState& effects, uint32_t* view, platform::Clock& clock, platform::KeyState& keys)
{
    const int effect = ChooseEffect(clock.milliseconds(), keys);
    const CImage& texture = *effects.textures[ChooseTexture(clock.milliseconds())];
    // Each pass reads the clock for itself, as the passes always have.
    switch (effect) {
    case 0:
        DrawWarpBackground(effects, texture, view, clock.milliseconds());
        DrawTwister(effects, texture, view, clock.milliseconds());
        break;
    case 1:
        DrawRotozoom(effects, texture, view, clock.milliseconds());
        break;
    case 2: {
        const uint32_t warpMs = clock.milliseconds();
        const uint32_t terrainMs = clock.milliseconds();
        DrawWarpUnderTerrain(effects, texture, view, warpMs, terrainMs);
        break;
    }
    case 3:
        DrawTunnel(effects.tunnel, texture, view, clock.milliseconds());
        break;
    default:
        DrawJulia(*effects.paletteStrip, view, clock.milliseconds());
        break;
    }
}
