// The input state the message handling writes and the frame loop reads.
#pragma once

#include <cstdint>

struct InputState {
    uint32_t mouseX = 0; // client pixels, always inside the window once stored
    uint32_t mouseY = 0;
    int32_t clickPending = 0;
    int32_t quitRequested = 0;
};
