// The view's foreground (spectrum strips, scroller, information text) and
// its copy into the window surface.
#pragma once

#include "audio/catalogue.h"
#include "gfx/font.h"

#include <cstdint>

void drawSpectrum(uint32_t* view, const float* spectrum);
void drawScroller(uint32_t* view, const BitmapFont& largeFont, const char* scrollerText, uint32_t trackStartTick,
                  uint32_t now);
void drawInfoText(uint32_t* view, const BitmapFont& smallFont, const TrackEntry& track);
void copyView(uint32_t* window, const uint32_t* view);
