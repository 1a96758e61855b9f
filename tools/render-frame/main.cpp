// Renders whole frames headless to PNG: the embedded skin and fonts over a
// background, with a spectrum and the texts, for a few player states.
//
// usage: render-frame OUTDIR
//
// Writes playing.png, paused.png, shuffle.png and hover-next.png. The
// background and the spectrum are made up here (a slow plasma, a falling
// spectrum with a few peaks) until the effects and a decoded track feed it.

#include "app/composition.h"
#include "app/control_colours.h"
#include "app/controls.h"
#include "assets/assets.h"
#include "gfx/font.h"
#include "gfx/frame.h"
#include "tools/assetgen/file_util.h"
#include "tools/assetgen/png_writer.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct FrameState {
    const char* name;
    bool streamActive;
    bool paused;
    bool shuffle;
    uint32_t hoverColour;
    uint32_t msSinceTrackStart;
};

const FrameState kStates[] = {
    {"playing", true, false, false, control::kBackground, 3000},
    {"paused", false, true, false, control::kBackground, 9000},
    {"shuffle", true, false, true, control::kBackground, 0},
    {"hover-next", true, false, false, control::kNext, 6000},
};

struct Content {
    BitmapFont smallFont;
    BitmapFont largeFont;
    CImage normal{assets::skinNormal};
    CImage hover{assets::skinHover};
    CImage active{assets::skinActive};
    CImage knob{assets::volumeKnob};
    CImage hitMap{assets::hitMap};
    TrackEntry track{};
    char scrollerText[200] = {};
};

void loadContent(Content& content)
{
    loadFont(content.smallFont, assets::smallFontSheet.bytes, assets::smallFontSheet.count,
             assets::smallFontDescriptor.text());
    loadFont(content.largeFont, assets::largeFontSheet.bytes, assets::largeFontSheet.count,
             assets::largeFontDescriptor.text());
    content.smallFont.fixedAdvance = 6;

    const TrackCatalogue catalogue = makeTrackCatalogue();
    content.track = catalogue.rows[0];
    measureInfoText(content.track);
    std::snprintf(content.scrollerText, sizeof content.scrollerText, "%s - %s", content.track.artist,
                  content.track.title);
}

// A slow plasma standing in for the background effects.
void paintBackground(uint32_t* view, double seconds)
{
    for (int y = 0; y < kViewHeight; ++y)
        for (int x = 0; x < kViewWidth; ++x) {
            const double v = std::sin(x / 23.0 + seconds) + std::sin(y / 17.0 - seconds * 0.7) +
                             std::sin((x + y) / 31.0 + seconds * 0.3);
            const auto level = static_cast<uint32_t>((v + 3.0) / 6.0 * 255.0);
            view[y * kViewWidth + x] = 0xFF000000u | (level / 3) << 16 | (level / 2) << 8 | level;
        }
}

// Magnitudes of the size a music FFT gives: loud low bins falling off
// steeply toward the top, with a few peaks. (The strips take the tenth
// power, so even 1e-5 still shows a third of the full height.)
void makeSpectrum(float* spectrum, double seconds)
{
    for (int i = 0; i < kSpectrumBins; ++i) {
        const double fall = std::exp(-i / 12.0);
        const double peaks = 0.3 + 0.7 * std::pow(0.5 + 0.5 * std::sin(i * 0.37 + seconds * 3.0), 4.0);
        spectrum[i] = static_cast<float>(0.05 * fall * peaks);
    }
}

void renderFrame(const Content& content, const FrameState& state, uint32_t* view, uint32_t* window)
{
    const double seconds = state.msSinceTrackStart / 1000.0;
    paintBackground(view, seconds);
    float spectrum[kSpectrumBins];
    makeSpectrum(spectrum, seconds);
    drawSpectrum(view, spectrum);
    drawScroller(view, content.largeFont, content.scrollerText, 0, state.msSinceTrackStart);
    drawInfoText(view, content.smallFont, content.track);
    copyView(window, view);

    const SkinImages skin{content.normal, content.hover, content.active, content.knob, content.hitMap};
    overlaySkin(window, skin, state.hoverColour, state.streamActive, state.paused, state.shuffle, 0.7f);
}

std::vector<uint8_t> toRgb(const uint32_t* window)
{
    std::vector<uint8_t> rgb;
    rgb.reserve(size_t(kWindowWidth) * kWindowHeight * 3);
    for (int i = 0; i < kWindowWidth * kWindowHeight; ++i) {
        rgb.push_back(static_cast<uint8_t>(window[i] >> 16));
        rgb.push_back(static_cast<uint8_t>(window[i] >> 8));
        rgb.push_back(static_cast<uint8_t>(window[i]));
    }
    return rgb;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path outDir = argv[1];

    static Content content;
    loadContent(content);
    static uint32_t view[kViewWidth * kViewHeight];
    static uint32_t window[kWindowWidth * kWindowHeight];
    for (const FrameState& state : kStates) {
        renderFrame(content, state, view, window);
        const auto png = assetgen::encodeRgbPng(kWindowWidth, kWindowHeight, toRgb(window));
        if (!assetgen::writeFile(outDir, std::string(state.name) + ".png", png))
            return 1;
        std::printf("%s\n", (outDir / (std::string(state.name) + ".png")).c_str());
    }
    return 0;
}
