// Small helpers the generators share for writing their output files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace assetgen {

// Writes `bytes` to outDir/relative, creating folders; false with a message on failure.
bool writeFile(const std::filesystem::path& outDir, const std::string& relative, const std::vector<uint8_t>& bytes);

} // namespace assetgen
