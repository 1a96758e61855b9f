#include "tools/assetgen/file_util.h"

#include <cstdio>
#include <fstream>
#include <system_error>

namespace assetgen {

bool writeFile(const std::filesystem::path& outDir, const std::string& relative, const std::vector<uint8_t>& bytes)
{
    const std::filesystem::path path = outDir / relative;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace assetgen
