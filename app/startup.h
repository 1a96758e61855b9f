// Building the program's state before the loop and tearing it down after.
#pragma once

#include "app/app.h"

// Every step up to and including the first track. False, with a line on
// standard error, when the program cannot run; whatever was built is
// released again.
bool startUp(App& app, Services& services);

// After the loop: audio, then the window, then images and fonts.
void shutDown(App& app);
