// One pass of the main loop: at most one event, the audio's end-of-track
// hand-off, the controls, the composition of a frame, its presentation and a
// short sleep (or, while no frame is due, a rest until something happens).
#pragma once

#include "app/app.h"

void runPass(App& app, Services& services);

// Runs passes while no quit is requested; the pass that requests it is
// finished and presented first.
void runLoop(App& app, Services& services);
