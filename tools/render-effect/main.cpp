// render-effect EFFECT TIME_MS OUT
//
// Paints one background frame with RunEffect as if the clock read TIME_MS
// at every reading and digit key EFFECT + 1 were held, from a fresh tunnel
// grid and the embedded images. OUT ending in .png gets an 8-bit RGB PNG
// (alpha dropped); OUT ending in .bgra gets the 320x240 32-bit pixels as
// they lie in memory. QUARVEN2_SIMD names the vector target to draw with,
// as for the player.
#include "gfx/effects/effects.h"
#include "gfx/frame.h"
#include "gfx/simd_target.h"
#include "tools/assetgen/png_writer.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

class FixedClock : public platform::Clock {
public:
    explicit FixedClock(uint32_t ms) : ms_(ms) {}
    uint32_t milliseconds() override { return ms_; }

private:
    uint32_t ms_;
};

class OneDigitHeld : public platform::KeyState {
public:
    explicit OneDigitHeld(int digit) : digit_(digit) {}
    bool isDigitDown(int digit) override { return digit == digit_; }

private:
    int digit_;
};

int usage(const char* message)
{
    std::fprintf(stderr, "render-effect: %s\nusage: render-effect EFFECT TIME_MS OUT\n"
                         "  EFFECT   0 twister, 1 rotozoom, 2 voxel terrain, 3 tunnel, 4 Julia fractal\n"
                         "  TIME_MS  the clock reading, 0..4294967295\n"
                         "  OUT      a file ending in .png (RGB) or .bgra (raw 320x240 32-bit pixels)\n",
                 message);
    return 2;
}

bool parseNumber(const char* text, unsigned long long maximum, unsigned long long& value)
{
    if (text[0] < '0' || text[0] > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtoull(text, &end, 10);
    return errno == 0 && *end == '\0' && value <= maximum;
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() > suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool writeBytes(const std::string& path, const void* data, size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "render-effect: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::fprintf(stderr, "render-effect: writing %s failed\n", path.c_str());
        return false;
    }
    return true;
}

std::vector<uint8_t> toRgb(const std::vector<uint32_t>& view)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(view.size() * 3);
    for (uint32_t pixel : view) {
        rgb.push_back(static_cast<uint8_t>(pixel >> 16));
        rgb.push_back(static_cast<uint8_t>(pixel >> 8));
        rgb.push_back(static_cast<uint8_t>(pixel));
    }
    return rgb;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4)
        return usage("expected three arguments");
    unsigned long long effect = 0, ms = 0;
    if (!parseNumber(argv[1], 4, effect))
        return usage("EFFECT must be a number from 0 to 4");
    if (!parseNumber(argv[2], UINT32_MAX, ms))
        return usage("TIME_MS must be a number from 0 to 4294967295");
    const std::string out = argv[3];
    const bool png = endsWith(out, ".png");
    if (!png && !endsWith(out, ".bgra"))
        return usage("OUT must end in .png or .bgra");

    simd::applyTargetFromEnvironment();
    auto effects = std::make_unique<EffectState>();
    if (!InitEffects(*effects))
        return 1;
    FixedClock clock(static_cast<uint32_t>(ms));
    OneDigitHeld keys(static_cast<int>(effect) + 1);
    std::vector<uint32_t> view(kViewWidth * kViewHeight, 0);
    RunEffect(*effects, view.data(), clock, keys);

    if (png) {
        const std::vector<uint8_t> encoded = assetgen::encodeRgbPng(kViewWidth, kViewHeight, toRgb(view));
        return writeBytes(out, encoded.data(), encoded.size()) ? 0 : 1;
    }
    return writeBytes(out, view.data(), view.size() * sizeof(uint32_t)) ? 0 : 1;
}
