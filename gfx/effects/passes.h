// The pieces RunEffect is made of. Each pass takes the clock reading it
// works from as an argument, so a frame is a pure function of its inputs.
#pragma once

#include "gfx/effects/effects.h"

#include <cmath>
#include <cstdint>

constexpr int kEffectCount = 5;
constexpr int kTextureCount = 6;
constexpr int kTextureSize = 64;
constexpr int kHeightMapSize = 256;
constexpr int kPaletteSize = 32;

// Entry i is 127 + 127 * sin(2 * pi * i / 256), truncated, with the angle and
// the sine rounded to single precision; values 0..254.
void BuildSineTable(uint8_t (&table)[256]);

// True when the decoded image has the size the passes assume; otherwise
// false with a message naming it on standard error.
bool CheckEffectImage(const CImage& image, const char* name, int width, int height);

// The effect for this clock reading (ten seconds each, five in turn); the
// highest held digit key 1..5 overrides it.
int ChooseEffect(uint32_t ms, platform::KeyState& keys);
// The texture slot for this clock reading (ten seconds each, six in turn).
int ChooseTexture(uint32_t ms);

void DrawWarpBackground(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms);
// The background only where a terrain that painted paintedRows (as
// DrawVoxelTerrainCounting notes them) leaves the view: column x gets rows
// 0 .. 239 - paintedRows[x], the same pixels as the whole background there,
// and the rows below keep what they hold.
void DrawWarpBackgroundAbove(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                             const int32_t* paintedRows);
// The background at warpMs with the terrain at terrainMs over it: the
// terrain goes first and the background fills only what it left, the same
// frame as drawing them in turn.
void DrawWarpUnderTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t warpMs,
                          uint32_t terrainMs);
// Images of any size; the vector form reads rows as wide as the supplied
// ones (256 and 64) and leaves other widths to the plain form.
void DrawTwister(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms);
void DrawRotozoom(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms);
void DrawVoxelTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms);
// As DrawVoxelTerrain, also noting for each of the 320 columns how many
// rows it painted from the bottom up: column x covers rows
// 240 - paintedRows[x] .. 239 and leaves the rows above as they were (row 0
// always). What the terrain paints does not depend on the view, so what
// lies above it may as well be drawn after it.
void DrawVoxelTerrainCounting(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                              int32_t* paintedRows);
void DrawTunnel(TunnelGrid& grid, const CImage& texture, uint32_t* view, uint32_t ms);
// The tunnel's two steps: rays at the 81x61 grid points (a point whose ray
// meets no wall keeps its values), then the affine fill of the 4x4 cells;
// each on the vector target in use, or one point and one pixel at a time
// (the plain forms below). All give the same values.
void CastTunnelRays(TunnelGrid& grid, uint32_t ms);
void FillTunnelCells(const TunnelGrid& grid, const CImage& texture, uint32_t* view);
void DrawJulia(const CImage& paletteStrip, uint32_t* view, uint32_t ms);

// Sixteen start points sharing an imaginary part, and the view pixels their
// colours go to: from firstPixel on in a row, or at firstPixel + columns[i]
// for lane i when columns is set.
constexpr int kJuliaBlock = 16;
struct JuliaJob {
    const float* startRe;
    float startIm;
    int32_t firstPixel;
    const int32_t* columns;
};
// Paints each job's pixels with colours[count] (count 0..31), on the vector
// target in use.
void PaintJuliaJobs(const JuliaJob* jobs, int jobCount, float cr, float ci, const uint32_t* colours, uint32_t* view);

// Height of the 256x256 map at the 8.8 fixed-point position (x, y),
// bilinearly interpolated with quotients truncated toward zero; 0..255.
int32_t SampleHeight(const CImage& heightMap, int32_t x, int32_t y);

// "The sine, converted to single precision": the sine of the float argument
// taken in double precision, then rounded to float. Shared by the passes and
// their reference forms in the tests so both round the same way.
inline float singleSine(float angle) { return static_cast<float>(std::sin(static_cast<double>(angle))); }
inline float singleCosine(float angle) { return static_cast<float>(std::cos(static_cast<double>(angle))); }

// The plain forms of the passes, step by step as defined, one pixel at a
// time: what processors without a vector target draw with, and what every
// vector target must match bit for bit. With paintedRows set, the
// background draws only above the terrain (as DrawWarpBackgroundAbove) and
// the terrain notes what it painted (as DrawVoxelTerrainCounting).
namespace plain {
void DrawWarpBackground(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                        const int32_t* paintedRows = nullptr);
void DrawTwister(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms);
void DrawVoxelTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                      int32_t* paintedRows = nullptr);
void DrawRotozoom(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms);
void CastTunnelRays(TunnelGrid& grid, uint32_t ms);
void FillTunnelCells(const TunnelGrid& grid, const CImage& texture, uint32_t* view);
void DrawJulia(const CImage& paletteStrip, uint32_t* view, uint32_t ms);
// The escape count (0..31) of one start point; the vector form also uses it
// for the pixels it does not take in lanes.
int JuliaCount(float zr, float zi, float cr, float ci);
} // namespace plain
