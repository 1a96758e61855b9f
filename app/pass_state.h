// What the frame loop keeps from one pass to the next: the skin as the last
// change laid it, the frame-rate cap's record of presents, and whether the
// window could be seen.
#pragma once

#include "app/frame_pacer.h"
#include "app/skin_cache.h"

struct PassState {
    SkinCache skin;
    FramePacer pacer;
};
