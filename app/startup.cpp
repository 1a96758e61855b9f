#include "app/startup.h"

#include "assets/assets.h"
#include "display/outline_scale.h"
#include "display/window_outline.h"

#include <cstdio>
#include <vector>

namespace {

void complain(const char* what, const char* reason) { std::fprintf(stderr, "quarven2: %s: %s\n", what, reason); }

bool openDisplay(App& app, Services& services)
{
    const CImage icon(assets::windowIcon);
    platform::WindowSpec spec;
    spec.width = kWindowWidth * app.scale;
    spec.height = kWindowHeight * app.scale;
    spec.title = kInitialTitle;
    spec.iconPixels = icon.pixels;
    spec.iconWidth = icon.width;
    spec.iconHeight = icon.height;
    const CImage icon64(assets::windowIcon64);
    const CImage icon128(assets::windowIcon128);
    spec.largerIcons[0] = {icon64.pixels, icon64.width, icon64.height};
    spec.largerIcons[1] = {icon128.pixels, icon128.width, icon128.height};
    std::string error;
    app.display = services.windows.openWindow(spec, error);
    if (!app.display) {
        complain("cannot open the window", error.c_str());
        app.startFailure = 1;
        return false;
    }
    return true;
}

void applyWindowShape(platform::Window& display, int32_t scale)
{
    std::vector<uint8_t> mask(static_cast<size_t>(kWindowWidth) * kWindowHeight);
    if (!buildWindowMask(assets::windowShape, mask.data(), kWindowWidth, kWindowHeight))
        complain("the window outline is malformed", "the window stays rectangular");
    if (scale == 1) {
        display.applyShape(mask.data());
        return;
    }
    std::vector<uint8_t> scaled(mask.size() * static_cast<size_t>(scale) * static_cast<size_t>(scale));
    scaleMask(mask.data(), kWindowWidth, kWindowHeight, scale, scaled.data());
    display.applyShape(scaled.data());
}

void loadFonts(App& app)
{
    loadPlayerFonts(app.smallFont, app.largeFont);
}

bool hasSize(const std::unique_ptr<CImage>& image, int32_t width, int32_t height)
{
    return image && !image->empty() && image->width == width && image->height == height;
}

bool loadDoubleSizeSkin(App& app)
{
    DoubleSizeSkin& skin = app.doubleSize;
    skin.normal = std::make_unique<CImage>(assets::skinNormal2x);
    skin.hover = std::make_unique<CImage>(assets::skinHover2x);
    skin.active = std::make_unique<CImage>(assets::skinActive2x);
    skin.knob = std::make_unique<CImage>(assets::volumeKnob2x);
    const SkinImages images{*skin.normal, *skin.hover, *skin.active, *skin.knob, *app.hitMap};
    if (!prepareDoubleSizeFrame(skin.frame, images)) {
        complain("the embedded double-size skin is damaged", "an image is not 674 x 886 or 50 x 40");
        return false;
    }
    return true;
}

// The controls index these images with window coordinates, so an image of
// another size would be read out of bounds: refuse to run instead.
bool loadSkin(App& app)
{
    app.skinNormal = std::make_unique<CImage>(assets::skinNormal);
    app.skinHover = std::make_unique<CImage>(assets::skinHover);
    app.skinActive = std::make_unique<CImage>(assets::skinActive);
    app.volumeKnob = std::make_unique<CImage>(assets::volumeKnob);
    app.hitMap = std::make_unique<CImage>(assets::hitMap);
    for (const auto* layer : {&app.skinNormal, &app.skinHover, &app.skinActive, &app.hitMap}) {
        if (!hasSize(*layer, kWindowWidth, kWindowHeight)) {
            complain("the embedded skin is damaged", "an image is not 337 x 443");
            return false;
        }
    }
    if (!hasSize(app.volumeKnob, 25, 20)) {
        complain("the embedded skin is damaged", "the volume knob is not 25 x 20");
        return false;
    }
    return app.scale == 1 || loadDoubleSizeSkin(app);
}

void releaseFont(BitmapFont& font)
{
    delete font.sheet;
    font.sheet = nullptr;
}

// Images in reverse order of creation, then the fonts.
void releaseImagesAndFonts(App& app)
{
    app.doubleSize.knob.reset();
    app.doubleSize.active.reset();
    app.doubleSize.hover.reset();
    app.doubleSize.normal.reset();
    app.hitMap.reset();
    app.volumeKnob.reset();
    app.skinActive.reset();
    app.skinHover.reset();
    app.skinNormal.reset();
    releaseFont(app.largeFont);
    releaseFont(app.smallFont);
}

void abandon(App& app)
{
    app.display.reset();
    releaseImagesAndFonts(app);
}

} // namespace

bool startUp(App& app, Services& services)
{
    if (!openDisplay(app, services))
        return false;
    applyWindowShape(*app.display, app.scale);
    loadFonts(app);
    if (!loadSkin(app)) {
        abandon(app);
        return false;
    }

    app.player.engine = &services.engine;
    app.player.clock = &services.clock;
    app.player.desktop = app.display.get();
    if (!startAudio(app.player)) { // it has said why, on one line
        abandon(app);
        return false;
    }
    openTracks(app.player);
    if (!InitEffects(app.effects)) { // it has said what is missing
        stopAudio(app.player);
        abandon(app);
        return false;
    }
    app.display->loadCursors();
    app.volume = 1.0f;
    playTrack(app.player, 0);
    return true;
}

void shutDown(App& app)
{
    stopAudio(app.player);
    app.display.reset();
    releaseImagesAndFonts(app);
}
