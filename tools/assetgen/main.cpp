// Regenerates the committed content under assets/.
//
// usage: assetgen OUTDIR      (OUTDIR is assets/ to update the committed files,
//                              or a scratch folder to compare against them)

#include "tools/assetgen/generators.h"

#include <cstdio>
#include <system_error>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path outDir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
    if (ec) {
        std::fprintf(stderr, "assetgen: cannot create %s: %s\n", argv[1], ec.message().c_str());
        return 1;
    }

    using Generator = bool (*)(const std::filesystem::path&);
    const Generator generators[] = {
        assetgen::writeWindowShape,
        assetgen::writeSkin,
        assetgen::writeSmallFont,
        assetgen::writeLargeFont,
        assetgen::writeHeightMap,
        assetgen::writeTextures,
        assetgen::writePaletteStrip,
    };
    for (Generator generate : generators) {
        if (!generate(outDir))
            return 1;
    }
    return 0;
}
