// TEMPORARY: stand-in definitions for the background effects, which another
// branch is writing right now. They only let the program link and the
// frame-loop tests run. Delete this file and its `q2_pending_stubs` target
// when that branch is merged.

#include "gfx/effects/effects.h"

#include "assets/assets.h"

// ---- gfx/effects/effects.h ----

bool InitEffects(EffectState& effects)
{
    effects.heightMap = std::make_unique<CImage>(assets::heightMap);
    return true;
}

void RunEffect(EffectState&, uint32_t*, platform::Clock&, platform::KeyState&) {}
