// The player's commands from outside the painted buttons (the desktop's
// media service, the keyboard, the mouse wheel), carried out on the main
// loop through the same playback operations as the buttons, and the status
// the main loop publishes for the service.
#pragma once

#include "app/app.h"
#include "platform/mpris_service.h"

// Carries out one request.
void performRemoteRequest(App& app, const platform::RemoteRequest& request);

// The main loop's part, once per pass: the requests the service handed
// over, in order; and, after the pass's changes, the status when it
// differs from the last one published (and the service told).
void takeRemoteRequests(App& app);
void publishPlayerStatus(App& app, Services& services, bool streamActive);
