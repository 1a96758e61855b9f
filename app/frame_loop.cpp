#include "app/frame_loop.h"

#include "app/composition.h"
#include "app/controls.h"
#include "app/key_commands.h"
#include "app/remote_commands.h"
#include "display/messages.h"

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

void takeOneEvent(App& app)
{
    platform::Event event;
    if (!app.display->nextEvent(event))
        return;
    if (handleMessage(app.input, event))
        app.display->beginDrag(event.x, event.y);
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

} // namespace

void runPass(App& app, Services& services)
{
    takeOneEvent(app);
    takeTrackEnd(app.player);
    takeRemoteRequests(app);
    services.engine.spectrum(currentStream(app.player), app.spectrum);
    const uint32_t hover = handleControls(*app.hitMap, app.input, app.player, app.volume, *app.display);
    RunEffect(app.effects, app.view, services.clock, app.display->keys());
    composeView(app, services);
    copyView(app.window, app.view);
    const SkinImages skin{*app.skinNormal, *app.skinHover, *app.skinActive, *app.volumeKnob, *app.hitMap};
    const bool streamActive = services.engine.isActive(currentStream(app.player));
    overlaySkin(app.window, skin, hover, streamActive, app.player.state.paused != 0, app.player.state.shuffle != 0,
                app.volume);
    publishPlayerStatus(app, services, streamActive);
    app.display->present(app.window);
    services.sleep(2);
}

void runLoop(App& app, Services& services)
{
    while (app.input.quitRequested == 0)
        runPass(app, services);
}
