#include "app/app.h"
#include "app/frame_loop.h"
#include "app/startup.h"

#include <cstdio>

namespace {

// Without a session bus the player runs exactly as before, after saying so.
std::unique_ptr<platform::MediaService> openMediaControls(App& app, Services& services)
{
    if (services.openMedia == nullptr)
        return nullptr;
    std::string error;
    std::unique_ptr<platform::MediaService> media = services.openMedia(app.remote, error);
    if (!media)
        std::fprintf(stderr, "quarven2: no desktop media controls (%s); the window's own controls still work\n",
                     error.c_str());
    return media;
}

} // namespace

int runPlayer(App& app, Services& services)
{
    // Before the first play and before the bus starts: both wake the loop.
    app.player.wake = services.rest;
    app.remote.wakeWith(services.rest);
    if (!startUp(app, services))
        return app.startFailure;
    std::unique_ptr<platform::MediaService> media = openMediaControls(app, services);
    app.media = media.get();
    runLoop(app, services);
    // No request is taken from here on: one waiting for room gives up, and
    // later ones are refused.
    app.remote.close();
    // The bus goes first: nothing may ask for the player while it is torn down.
    app.media = nullptr;
    media.reset();
    shutDown(app);
    return 0;
}
