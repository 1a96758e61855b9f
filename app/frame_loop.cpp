#include "app/frame_loop.h"

#include "app/composition.h"
#include "app/controls.h"
#include "app/key_commands.h"
#include "app/remote_commands.h"
#include "app/skin_cache.h"
#include "display/messages.h"
#include "display/pointer_scale.h"

#include <algorithm>

namespace {

const TrackEntry* currentRow(const Player& player)
{
    const int32_t row = player.state.currentTrack;
    if (row < 0 || row >= player.state.trackCount)
        return nullptr;
    return &player.catalogue.rows[row];
}

StreamHandle currentStream(const Player& player)
{
    const TrackEntry* row = currentRow(player);
    return row != nullptr ? row->stream : 0;
}

// A drag lasting from an earlier pass is followed after the event is taken
// (the mover then knows of a release taken) and before it is handled.
void takeOneEvent(App& app)
{
    platform::Event event;
    const bool taken = app.display->nextEvent(event);
    followWindowDrag(app.drag, app.display->mover());
    if (!taken)
        return;
    // The controls see window pixels; the drag keeps the press point in
    // screen pixels under the pointer.
    if (handleMessage(app.input, toWindowPixels(event, app.scale)))
        startWindowDrag(app.drag, app.display->mover(), event.x, event.y);
    platform::RemoteRequest request;
    if (requestForEvent(event, request))
        performRemoteRequest(app, request);
}

void composeView(App& app, Services& services)
{
    const Player& player = app.player;
    drawSpectrum(app.view, app.spectrum);
    drawScroller(app.view, app.largeFont, player.state.scrollerText, player.state.trackStartTick,
                 services.clock.milliseconds());
    const TrackEntry* row = currentRow(player);
    if (row != nullptr && row->infoText != nullptr)
        drawInfoText(app.view, app.smallFont, *row);
}

void presentDoubleSize(App& app, uint32_t hover, bool streamActive)
{
    DoubleSizeSkin& big = app.doubleSize;
    const SkinImages skin{*big.normal, *big.hover, *big.active, *big.knob, *app.hitMap};
    composeDoubleSize(big.frame, skin, app.view, hover, streamActive, app.player.state.paused != 0,
                      app.player.state.shuffle != 0, app.volume);
    app.display->present(big.frame.pixels.data());
}

// The frame of this pass: the spectrum, the effect, the view's foreground,
// the view under the skin, and the present.
void composeAndPresent(App& app, Services& services, uint32_t hover)
{
    services.engine.spectrum(currentStream(app.player), app.spectrum);
    RunEffect(app.effects, app.view, services.clock, app.display->keys());
    composeView(app, services);
    const bool streamActive = services.engine.isActive(currentStream(app.player));
    if (app.scale != 1) {
        presentDoubleSize(app, hover, streamActive);
        return;
    }
    const SkinImages skin{*app.skinNormal, *app.skinHover, *app.skinActive, *app.volumeKnob, *app.hitMap};
    const bool onlyView = composeWindow(app.window, app.view, skin, app.pass.skin, hover, streamActive,
                                        app.player.state.paused != 0, app.player.state.shuffle != 0, app.volume);
    if (onlyView)
        app.display->presentChanged(app.window, {kViewLeft, kViewTop, kViewWidth, kViewHeight});
    else
        app.display->present(app.window);
}

// Longest rest of a hidden window's loop. Whatever it must react to wakes it
// sooner (the display's events, the bus, the end of a track, a quit signal);
// this bounds what nothing announces.
constexpr uint32_t kHiddenRestMs = 100;

// After the pass: the plain 2 ms sleep while every pass presents, and
// while events wait or a drag is followed; otherwise a rest until the next
// reason to run, the next capped frame due at the latest.
void restAfterPass(App& app, Services& services, bool visible)
{
    if (services.rest == nullptr || (visible && app.options.fpsCap <= 0)) {
        services.sleep(2);
        return;
    }
    if (app.input.quitRequested != 0)
        return; // the loop ends after this pass: nothing to wait for
    int descriptors[4];
    const int count = app.display->prepareRest(descriptors, 4);
    if (count < 0) {
        services.sleep(2);
        return;
    }
    uint32_t ms = kHiddenRestMs;
    if (visible)
        ms = std::max(1u, millisecondsUntilPresent(app.pass.pacer, services.clock.milliseconds()));
    services.rest->rest(ms, descriptors, count);
}

} // namespace

void runPass(App& app, Services& services)
{
    if (services.rest != nullptr && services.rest->quitSignalled())
        app.input.quitRequested = 1;
    takeOneEvent(app);
    takeTrackEnd(app.player);
    takeRemoteRequests(app);
    const uint32_t hover = handleControls(*app.hitMap, app.input, app.player, app.volume, *app.display);
    // Nothing is composed for a window nobody can see; when it shows again
    // its first frame is composed whole, whatever the window held.
    const bool visible = app.display->isVisible();
    if (!visible) {
        app.pass.skin.valid = false;
        app.doubleSize.frame.laid = false;
    } else {
        app.pass.pacer.cap = app.options.fpsCap;
        const uint32_t now = services.clock.milliseconds();
        // The pass that asks to quit shows its frame, as every pass does uncapped.
        if (mayPresent(app.pass.pacer, now) || app.input.quitRequested != 0) {
            composeAndPresent(app, services, hover);
            notePresent(app.pass.pacer, now);
        }
    }
    publishPlayerStatus(app, services, services.engine.isActive(currentStream(app.player)));
    restAfterPass(app, services, visible);
}

void runLoop(App& app, Services& services)
{
    while (app.input.quitRequested == 0)
        runPass(app, services);
}
