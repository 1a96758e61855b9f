#include "assets/assets.h"
#include "gfx/effects/passes.h"

#include <cstdio>

namespace {

// Decodes one embedded image and checks that it has the size the passes
// index it by; they read it without bounds checks.
bool loadImage(std::unique_ptr<CImage>& slot, const AssetBlob& blob, const char* name, int width, int height)
{
    slot = std::make_unique<CImage>(blob);
    if (slot->empty()) {
        std::fprintf(stderr, "quarven2: the embedded effect image %s cannot be decoded\n", name);
        return false;
    }
    if (slot->width != width || slot->height != height || slot->bufferWidth != width ||
        slot->bufferHeight != height) {
        std::fprintf(stderr, "quarven2: the embedded effect image %s is %dx%d, expected %dx%d\n", name,
                     static_cast<int>(slot->width), static_cast<int>(slot->height), width, height);
        return false;
    }
    return true;
}

} // namespace

bool InitEffects(EffectState& effects)
{
    BuildSineTable(effects.sineTable);
    const AssetBlob* textures[kTextureCount] = {&assets::texture0, &assets::texture1, &assets::texture2,
                                                &assets::texture3, &assets::texture4, &assets::texture5};
    const char* textureNames[kTextureCount] = {"texture0", "texture1", "texture2",
                                               "texture3", "texture4", "texture5"};
    if (!loadImage(effects.heightMap, assets::heightMap, "heightMap", kHeightMapSize, kHeightMapSize))
        return false;
    for (int slot = 0; slot < kTextureCount; ++slot) {
        if (!loadImage(effects.textures[slot], *textures[slot], textureNames[slot], kTextureSize, kTextureSize))
            return false;
    }
    return loadImage(effects.paletteStrip, assets::paletteStrip, "paletteStrip", kPaletteSize, 1);
}
