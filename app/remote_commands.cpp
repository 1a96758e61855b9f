#include "app/remote_commands.h"

#include "app/controls.h"
#include "app/player_status.h"

#include <algorithm>
#include <cmath>

namespace {

using platform::PlaybackStatus;
using platform::RemoteCommand;

// One step of the keys and the wheel: a twentieth of the slider's travel.
constexpr double kVolumeStep = 1.0 / 20.0;

PlaybackStatus statusNow(const Player& player)
{
    const PlaybackState& state = player.state;
    bool active = false;
    if (state.currentTrack >= 0 && state.currentTrack < state.trackCount)
        active = player.engine->isActive(player.catalogue.rows[state.currentTrack].stream);
    return playbackStatusOf(state, active);
}

// The play button's operation, as a desktop's play asks for it: nothing
// while the track already plays.
void play(Player& player)
{
    if (statusNow(player) != PlaybackStatus::Playing)
        playTrack(player, player.state.currentTrack);
}

void pause(Player& player)
{
    if (statusNow(player) == PlaybackStatus::Playing)
        togglePause(player);
}

void playPause(Player& player)
{
    if (statusNow(player) == PlaybackStatus::Stopped)
        playTrack(player, player.state.currentTrack);
    else
        togglePause(player);
}

void setShuffle(Player& player, bool on)
{
    if ((player.state.shuffle != 0) != on)
        toggleShuffle(player);
}

// Held to the slider's range in double precision, before the value could be
// too large for a float.
void setVolumeTo(App& app, double level)
{
    if (std::isnan(level))
        return;
    setSliderVolume(app.player, app.volume, static_cast<float>(std::clamp(level, 0.0, 1.0)));
}

} // namespace

void performRemoteRequest(App& app, const platform::RemoteRequest& request)
{
    Player& player = app.player;
    switch (request.command) {
    case RemoteCommand::Play: play(player); break;
    case RemoteCommand::Pause: pause(player); break;
    case RemoteCommand::PlayPause: playPause(player); break;
    case RemoteCommand::PauseButton: togglePause(player); break;
    case RemoteCommand::Stop: stopTrack(player); break;
    case RemoteCommand::Next: nextTrack(player); break;
    case RemoteCommand::Previous: previousTrack(player); break;
    case RemoteCommand::ShuffleButton: toggleShuffle(player); break;
    case RemoteCommand::SetShuffle: setShuffle(player, request.value != 0.0); break;
    case RemoteCommand::SetVolume: setVolumeTo(app, request.value); break;
    case RemoteCommand::VolumeSteps: setVolumeTo(app, app.volume + request.value * kVolumeStep); break;
    case RemoteCommand::Raise: app.display->raise(); break;
    case RemoteCommand::Quit: app.input.quitRequested = 1; break;
    }
}

void takeRemoteRequests(App& app)
{
    platform::RemoteRequest request;
    bool taken = false;
    while (app.remote.take(request)) {
        performRemoteRequest(app, request);
        taken = true;
    }
    if (taken)
        app.remote.noteRoom();
}

void publishPlayerStatus(App& app, Services& services, bool streamActive)
{
    if (app.media == nullptr)
        return;
    const StatusKey key = statusKey(app.player.state, app.volume, streamActive);
    // Requests that changed nothing are published too: the service shows a
    // property write as written until a status says it was carried out.
    if (key == app.publishedKey && !app.remote.takenSincePublish())
        return;
    app.publishedKey = key;
    describeStatus(app.player, app.volume, streamActive, services.clock.milliseconds(), app.publishedStatus);
    app.remote.publish(app.publishedStatus);
    app.media->statusChanged();
}
