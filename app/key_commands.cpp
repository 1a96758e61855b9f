#include "app/key_commands.h"

namespace {

using platform::Key;
using platform::RemoteCommand;

bool requestForKey(Key key, bool repeat, platform::RemoteRequest& out)
{
    switch (key) {
    case Key::Left: out = {RemoteCommand::Previous}; return true;
    case Key::Right: out = {RemoteCommand::Next}; return true;
    case Key::Up: out = {RemoteCommand::VolumeSteps, 1.0}; return true;
    case Key::Down: out = {RemoteCommand::VolumeSteps, -1.0}; return true;
    default: break;
    }
    // A held button acts once: the keys below ignore their repeats.
    if (repeat)
        return false;
    switch (key) {
    case Key::Space: out = {RemoteCommand::PauseButton}; return true;
    case Key::S: out = {RemoteCommand::ShuffleButton}; return true;
    case Key::MediaPlayPause: out = {RemoteCommand::PlayPause}; return true;
    case Key::MediaStop: out = {RemoteCommand::Stop}; return true;
    case Key::MediaNext: out = {RemoteCommand::Next}; return true;
    case Key::MediaPrevious: out = {RemoteCommand::Previous}; return true;
    default: return false;
    }
}

} // namespace

bool requestForEvent(const platform::Event& event, platform::RemoteRequest& out)
{
    if (event.kind == platform::EventKind::KeyDown)
        return requestForKey(event.key, event.repeat, out);
    if (event.kind == platform::EventKind::Wheel && event.y != 0) {
        out = {RemoteCommand::VolumeSteps, static_cast<double>(event.y)};
        return true;
    }
    return false;
}
