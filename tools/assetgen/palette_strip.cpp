// The Julia fractal's colour ramp: 32 colours from black through dark red and
// blue to light lavender, one pixel each, as a 32x1 palette PNG.

#include "tools/assetgen/file_util.h"
#include "tools/assetgen/generators.h"
#include "tools/assetgen/png_writer.h"

namespace assetgen {

namespace {

constexpr uint32_t kRamp[32] = {
    0x000000, 0x0A0103, 0x140306, 0x1E0509, 0x28070C, 0x32090F, 0x3C0B12, 0x460D15,
    0x500F18, 0x4E1122, 0x4C132C, 0x4A1537, 0x481841, 0x461A4C, 0x441C56, 0x421E60,
    0x40216B, 0x3E2375, 0x3C2580, 0x3A278A, 0x382A94, 0x362C9F, 0x342EA9, 0x3131B4,
    0x3C3CB9, 0x4848BE, 0x5353C4, 0x5F5FC9, 0x6B6BCE, 0x7676D4, 0x8282D9, 0x8E8EDF,
};

} // namespace

bool writePaletteStrip(const std::filesystem::path& outDir)
{
    std::vector<PaletteEntry> palette(256, PaletteEntry{0, 0, 0});
    std::vector<uint8_t> indices;
    for (int i = 0; i < 32; ++i) {
        palette[i] = {uint8_t(kRamp[i] >> 16), uint8_t(kRamp[i] >> 8), uint8_t(kRamp[i])};
        indices.push_back(static_cast<uint8_t>(i));
    }
    return writeFile(outDir, "effects/palette.png", encodePalettePng(32, 1, indices, palette));
}

} // namespace assetgen
