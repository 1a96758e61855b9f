#include "assets/assets.h"
#include "gfx/effects/passes.h"

#include <cstdio>

// The passes index the images without bounds checks, so each must have
// exactly the size they assume.
bool CheckEffectImage(const CImage& image, const char* name, int width, int height)
{
    if (image.empty()) {
        std::fprintf(stderr, "quarven2: the embedded effect image %s cannot be decoded\n", name);
        return false;
    }
    if (image.width != width || image.height != height || image.bufferWidth != width ||
        image.bufferHeight != height) {
        std::fprintf(stderr, "quarven2: the embedded effect image %s is %dx%d, expected %dx%d\n", name,
                     static_cast<int>(image.width), static_cast<int>(image.height), width, height);
        return false;
    }
    return true;
}

namespace {

bool loadImage(std::unique_ptr<CImage>& slot, const AssetBlob& blob, const char* name, int width, int height)
{
    slot = std::make_unique<CImage>(blob);
    return CheckEffectImage(*slot, name, width, height);
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
