#include "app/app.h"
#include "app/frame_loop.h"
#include "app/startup.h"

int runPlayer(App& app, Services& services)
{
    if (!startUp(app, services))
        return -1;
    runLoop(app, services);
    shutDown(app);
    return 0;
}
