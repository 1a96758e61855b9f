// TEMPORARY: stand-in definitions for functions that other branches are
// writing right now (playback, fonts, effects, controls, composition, and the
// real audio engine). They only let the program link and the frame-loop
// tests run. Delete this file and its `q2_pending_stubs` target when those
// branches are merged.

#include "app/composition.h"
#include "app/controls.h"
#include "app/engine_factory.h"
#include "audio/playback.h"
#include "gfx/effects/effects.h"
#include "gfx/font.h"

#include "assets/assets.h"

#include <cstdio>
#include <cstring>

// ---- audio/playback.h ----

bool startAudio(Player& player) { return player.engine->init() && player.engine->start(); }

void openTracks(Player& player)
{
    for (int32_t i = 0; i < kCatalogueRows && player.catalogue.rows[i].fileName != nullptr; ++i) {
        TrackEntry& row = player.catalogue.rows[i];
        row.stream = player.engine->openStream(row.fileName);
        measureInfoText(row);
        player.state.trackCount = i + 1;
    }
}

void playTrack(Player& player, int32_t row)
{
    if (row < 0 || row >= player.state.trackCount)
        return;
    if (player.state.currentTrack >= 0)
        player.engine->stop(player.catalogue.rows[player.state.currentTrack].stream);
    player.engine->play(player.catalogue.rows[row].stream, true);
    player.state.currentTrack = row;
    player.state.trackStartTick = player.clock->milliseconds();
    std::snprintf(player.state.scrollerText, sizeof player.state.scrollerText, "%s - %s",
                  player.catalogue.rows[row].artist, player.catalogue.rows[row].title);
    player.desktop->setTitle(player.state.scrollerText);
}

bool takeTrackEnd(Player& player) { return player.endedStream.exchange(0) != 0; }

void stopAudio(Player& player)
{
    player.engine->stopOutput();
    for (int32_t i = 0; i < kCatalogueRows && player.catalogue.rows[i].fileName != nullptr; ++i) {
        player.engine->stop(player.catalogue.rows[i].stream);
        player.engine->freeStream(player.catalogue.rows[i].stream);
    }
    player.engine->freeAll();
}

// ---- gfx/font.h ----

BitmapFont& loadFont(BitmapFont& font, const uint8_t* sheetData, uint32_t sheetSize, const char*)
{
    font.sheet = new CImage(sheetData, sheetSize);
    return font;
}

// ---- gfx/effects/effects.h ----

bool InitEffects(EffectState& effects)
{
    effects.heightMap = std::make_unique<CImage>(assets::heightMap);
    return true;
}

void RunEffect(EffectState&, uint32_t*, platform::Clock&, platform::KeyState&) {}

// ---- app/controls.h ----

uint32_t hoverColourAt(const CImage& hitMap, const InputState& input)
{
    if (input.mouseX >= static_cast<uint32_t>(hitMap.width) || input.mouseY >= static_cast<uint32_t>(hitMap.height))
        return 0xFF000000u;
    return hitMap.pixel(static_cast<int32_t>(input.mouseX), static_cast<int32_t>(input.mouseY));
}

uint32_t handleControls(const CImage& hitMap, InputState& input, Player&, float&, platform::Desktop& desktop)
{
    const uint32_t hover = hoverColourAt(hitMap, input);
    desktop.setCursor(hover == 0xFF000000u ? platform::Cursor::Arrow : platform::Cursor::Hand);
    if (input.clickPending != 0) {
        if (hover == 0xFFFFFFFFu) // the close glyph
            input.quitRequested = 1;
        if (hover != 0xFF464646u) // the volume slider keeps following a held press
            input.clickPending = 0;
    }
    return hover;
}

void overlaySkin(uint32_t* window, const SkinImages& skin, uint32_t, bool, bool, bool, float)
{
    for (int32_t i = 0; i < skin.normal.width * skin.normal.height; ++i)
        if ((skin.normal.pixels[i] & 0xFFFFFFu) != 0x00FF00u)
            window[i] = skin.normal.pixels[i];
}

// ---- app/composition.h ----

void drawSpectrum(uint32_t*, const float*) {}
void drawScroller(uint32_t*, const BitmapFont&, const char*, uint32_t, uint32_t) {}
void drawInfoText(uint32_t*, const BitmapFont&, const TrackEntry&) {}

void copyView(uint32_t* window, const uint32_t* view)
{
    for (int32_t y = 0; y < 240; ++y)
        std::memcpy(window + (150 + y) * 337 + 8, view + y * 320, 320 * sizeof(uint32_t));
}

// ---- the real engine (audio/) ----

namespace {

// Plays nothing and succeeds at everything.
class SilentEngine : public AudioEngine {
public:
    bool init() override { return true; }
    StreamHandle openStream(const char*) override { return ++opened; }
    bool start() override { return true; }
    bool play(StreamHandle, bool) override { return true; }
    bool stop(StreamHandle) override { return true; }
    SyncHandle setEndSync(StreamHandle, EndCallback, void*) override { return 1; }
    bool removeSync(StreamHandle, SyncHandle) override { return true; }
    bool spectrum(StreamHandle, float*) override { return false; }
    bool isActive(StreamHandle) override { return false; }
    bool setVolume(uint32_t) override { return true; }
    bool stopOutput() override { return true; }
    bool freeStream(StreamHandle) override { return true; }
    bool freeAll() override { return true; }
    const char* lastError() const override { return ""; }

private:
    StreamHandle opened = 0;
};

} // namespace

std::unique_ptr<AudioEngine> makeAudioEngine() { return std::make_unique<SilentEngine>(); }
