// The keys and the mouse wheel as the player's commands, when the window
// has the focus: Space the pause button, S the shuffle button, Left and
// Right previous and next, Up, Down and the wheel the volume, and the
// keyboard's media keys.
#pragma once

#include "platform/mpris_service.h"
#include "platform/window.h"

// The request a key or wheel event stands for; false for other events.
// A held key's repeats count for the arrows only.
bool requestForEvent(const platform::Event& event, platform::RemoteRequest& out);
