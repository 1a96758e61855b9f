// Presentation on a 30-bit (2-10-10-10) X display, where SDL offers no
// window surface: the frame is converted into an image of our own and put
// into the window with Xlib.
#pragma once

#include <cstdint>
#include <vector>

struct SDL_Window;
struct _XDisplay;
struct _XGC;
struct _XImage;

namespace platform {

class DeepColourPresenter {
public:
    DeepColourPresenter() = default;
    ~DeepColourPresenter();
    DeepColourPresenter(const DeepColourPresenter&) = delete;
    DeepColourPresenter& operator=(const DeepColourPresenter&) = delete;

    // Shows a width x height frame of 0xAARRGGBB pixels in the window when it
    // is an X11 window of depth 30 with red in the high bits; false (and
    // nothing done) for any other window. The first call decides, once.
    bool present(SDL_Window* window, const uint32_t* frame, int32_t width, int32_t height);

private:
    bool attach(SDL_Window* window, int32_t width, int32_t height);

    bool decided = false;
    bool usable = false;
    _XDisplay* display = nullptr;
    unsigned long xWindow = 0;
    _XGC* gc = nullptr; // the screen's, not ours
    _XImage* image = nullptr;
    std::vector<uint32_t> pixels; // the image's memory, allocated once
};

} // namespace platform
