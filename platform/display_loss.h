// Losing the X server (a logout, a dropped remote session) ends the program
// at once: nothing that would talk to the dead connection may run after it.
#pragma once

namespace platform {

// Silences the sound output; called on the thread that noticed the loss,
// just before the process ends, so it must not wait on that thread.
using SilenceFn = void (*)(void* user);

// What to silence when the display goes away; until set, nothing is.
void silenceOnDisplayLoss(SilenceFn silence, void* user);

// From now on a broken connection to the X server silences the sound, says
// so in one line on standard error and ends the process with status 1,
// without running exit handlers or static destructors (they would wait on
// the dead server for ever).
void endOnDisplayLoss();

} // namespace platform
