#include "platform/sdl_video_driver.h"

#include <SDL.h>

#include <cstdio>

namespace platform {

namespace {

bool isInvisibleDriver(const char* driver)
{
    return SDL_strcasecmp(driver, "offscreen") == 0 || SDL_strcasecmp(driver, "dummy") == 0;
}

} // namespace

void chooseVideoDriver()
{
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if (asked != nullptr && isInvisibleDriver(asked))
        return;
    // A list that names x11 among others ("wayland,x11") asked for it too.
    if (asked != nullptr && asked[0] != '\0' && SDL_strcasestr(asked, "x11") == nullptr)
        std::fprintf(stderr,
                     "quarven2: SDL_VIDEODRIVER=%s is overridden: the shaped window needs X11 (Wayland desktops "
                     "provide it through Xwayland)\n",
                     asked);
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
}

std::string noDisplayReason(const char* sdlError)
{
    const char* display = SDL_getenv("DISPLAY");
    std::string reason = display == nullptr || display[0] == '\0'
                             ? std::string("no X display: DISPLAY is not set")
                             : std::string("no X display at DISPLAY=") + display;
    reason += " (tried SDL's x11 video driver: ";
    reason += sdlError;
    reason += "); the player needs an X server, or Xwayland on a Wayland desktop";
    return reason;
}

} // namespace platform
