// Renders whole frames headless to PNG: the embedded skin and fonts over a
// background, with a spectrum and the texts, for a few player states.
//
// usage: render-frame OUTDIR [TRACK.mp3]
//
// Writes playing.png, paused.png, shuffle.png, hover-next.png and julia.png,
// each over a different background effect. With a track, the spectrum is
// that track's at the frame's moment; without one, a made-up spectrum.

#include "app/composition.h"
#include "app/control_colours.h"
#include "app/controls.h"
#include "assets/assets.h"
#include "gfx/font.h"
#include "gfx/effects/effects.h"
#include "gfx/frame.h"
#include "audio/mp3_engine.h"
#include "platform/headless_audio_device.h"
#include "tools/assetgen/file_util.h"
#include "tools/assetgen/png_writer.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
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
    int effect; // 0..4
};

const FrameState kStates[] = {
    {"playing", true, false, false, control::kBackground, 3000, 0},
    {"paused", false, true, false, control::kBackground, 9000, 3},
    {"shuffle", true, false, true, control::kBackground, 12000, 2},
    {"hover-next", true, false, false, control::kNext, 6000, 1},
    {"julia", true, false, false, control::kBackground, 15000, 4},
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
    EffectState effects;
};

void loadContent(Content& content)
{
    loadPlayerFonts(content.smallFont, content.largeFont);
    if (!InitEffects(content.effects))
        std::exit(1);

    const TrackCatalogue catalogue = makeTrackCatalogue();
    content.track = catalogue.rows[0];
    measureInfoText(content.track);
    std::snprintf(content.scrollerText, sizeof content.scrollerText, "%s - %s", content.track.artist,
                  content.track.title);
}

// A clock and keys frozen at one moment, so RunEffect paints that moment with
// the chosen effect.
struct FixedClock : platform::Clock {
    uint32_t now = 0;
    uint32_t milliseconds() override { return now; }
};
struct HeldDigit : platform::KeyState {
    int digit = 0;
    bool isDigitDown(int d) override { return d == digit; }
};

void paintBackground(EffectState& effects, uint32_t* view, const FrameState& state)
{
    FixedClock clock;
    clock.now = 1234567u + state.msSinceTrackStart;
    HeldDigit keys;
    keys.digit = state.effect + 1;
    RunEffect(effects, view, clock, keys);
}

// The spectrum of a real track at the frame's moment: decode it through the
// engine on a device we pull ourselves. Without a track, a made-up falling
// spectrum stands in.
void makeSpectrum(const char* trackPath, uint32_t msIntoTrack, float* spectrum)
{
    for (int i = 0; i < kSpectrumBins; ++i)
        spectrum[i] = static_cast<float>(0.05 * std::exp(-i / 12.0));
    if (trackPath == nullptr)
        return;
    platform::HeadlessAudioDevice device;
    Mp3Engine engine(device);
    const StreamHandle stream = engine.init() ? engine.openStream(trackPath) : 0;
    if (stream == 0 || !engine.start() || !engine.play(stream, true)) {
        std::fprintf(stderr, "render-frame: cannot play %s; using a made-up spectrum\n", trackPath);
        return;
    }
    static float buffer[1024 * 2];
    for (uint32_t frames = 0; frames < msIntoTrack * 441u / 10u; frames += 1024)
        device.pull(buffer, 1024);
    engine.spectrum(stream, spectrum);
    engine.freeAll();
}

void renderFrame(Content& content, const FrameState& state, const char* trackPath, uint32_t* view,
                 uint32_t* window)
{
    paintBackground(content.effects, view, state);
    float spectrum[kSpectrumBins];
    makeSpectrum(trackPath, state.msSinceTrackStart, spectrum);
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
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTDIR [TRACK.mp3]\n", argv[0]);
        return 2;
    }
    const char* trackPath = argc == 3 ? argv[2] : nullptr;
    const std::filesystem::path outDir = argv[1];

    static Content content;
    loadContent(content);
    static uint32_t view[kViewWidth * kViewHeight];
    static uint32_t window[kWindowWidth * kWindowHeight];
    for (const FrameState& state : kStates) {
        renderFrame(content, state, trackPath, view, window);
        const auto png = assetgen::encodeRgbPng(kWindowWidth, kWindowHeight, toRgb(window));
        if (!assetgen::writeFile(outDir, std::string(state.name) + ".png", png))
            return 1;
        std::printf("%s\n", (outDir / (std::string(state.name) + ".png")).c_str());
    }
    return 0;
}
