// The content generators. Each writes its files under `outDir` with the same
// relative paths they have under assets/, and returns false (after saying why
// on standard error) when it cannot.
#pragma once

#include <filesystem>

namespace assetgen {

bool writeWindowShape(const std::filesystem::path& outDir);
bool writeSkin(const std::filesystem::path& outDir);
bool writeSmallFont(const std::filesystem::path& outDir);
bool writeLargeFont(const std::filesystem::path& outDir);
bool writeHeightMap(const std::filesystem::path& outDir);
bool writeTextures(const std::filesystem::path& outDir);
bool writePaletteStrip(const std::filesystem::path& outDir);

} // namespace assetgen
