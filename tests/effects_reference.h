// The effect passes in their plain, unoptimised form, step by step as they
// are defined. The optimised passes must give the same frames bit for bit.
#pragma once

#include "gfx/effects/passes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace reference {

using plain::DrawWarpBackground;
using plain::DrawTwister;
using plain::DrawVoxelTerrain;
int32_t SampleHeight(const CImage& heightMap, int32_t x, int32_t y);

} // namespace reference

// An image filled by the test instead of decoded.
std::unique_ptr<CImage> makeImage(int width, int height, uint32_t fill = 0);
// Effect state with the real sine table and images the test fills.
void makeFlatState(EffectState& effects, uint32_t height, uint32_t texel);
// The effect state with the embedded images, built once for the suite.
EffectState& embeddedEffects();
// Clock readings spread over the whole 32-bit range, with the edges.
const std::vector<uint32_t>& sampleTimes();
