// TEMPORARY: stand-in definitions for functions that other branches are
// writing right now (the background effects and the real audio engine). They
// only let the program link and the frame-loop tests run. Delete this file
// and its `q2_pending_stubs` target when those branches are merged.

#include "app/engine_factory.h"
#include "gfx/effects/effects.h"

#include "assets/assets.h"

// ---- gfx/effects/effects.h ----

bool InitEffects(EffectState& effects)
{
    effects.heightMap = std::make_unique<CImage>(assets::heightMap);
    return true;
}

void RunEffect(EffectState&, uint32_t*, platform::Clock&, platform::KeyState&) {}

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
