// The program's state, owned once for the whole run, and the services it
// runs against (the real platform in main, stand-ins in tests).
#pragma once

#include "app/command_line.h"
#include "app/double_size.h"
#include "app/pass_state.h"
#include "app/player_status.h"
#include "app/remote_control.h"
#include "audio/audio_engine.h"
#include "audio/playback.h"
#include "display/input.h"
#include "display/window_drag.h"
#include "gfx/effects/effects.h"
#include "gfx/font.h"
#include "gfx/frame.h"
#include "gfx/image.h"
#include "platform/loop_rest.h"
#include "platform/mpris_service.h"
#include "platform/window.h"

#include <cstdint>
#include <memory>
#include <string>

constexpr const char* kInitialTitle = "QUARVEN (Hi Dunvar!)";

struct App {
    // The two frame buffers, all zero at start (static storage in main).
    uint32_t view[kViewWidth * kViewHeight] = {};
    uint32_t window[kWindowWidth * kWindowHeight] = {};
    // Refilled from the playing stream every frame; never cleared, so a
    // failed request leaves the previous values.
    float spectrum[kSpectrumBins] = {};
    float volume = 0.0f;

    BitmapFont smallFont;
    BitmapFont largeFont;
    std::unique_ptr<CImage> skinNormal;
    std::unique_ptr<CImage> skinHover;
    std::unique_ptr<CImage> skinActive;
    std::unique_ptr<CImage> volumeKnob;
    std::unique_ptr<CImage> hitMap;

    Player player;
    EffectState effects;
    InputState input;
    std::unique_ptr<platform::Window> display;
    // The drag of the window a press started, followed every pass through
    // the window's mover until the button is up.
    DragState drag;

    // Control from the desktop: requests in, the status out. `media` is null
    // without a session bus; the status is built only when its key changed.
    RemoteControl remote;
    platform::MediaService* media = nullptr;
    StatusKey publishedKey;
    platform::MediaStatus publishedStatus;

    // From the command line, set before start-up.
    Options options;
    // Screen pixels per window pixel, 1 or 2, chosen before start-up; at 2
    // the frame is composed on the double-size skin's own frame.
    int32_t scale = 1;
    DoubleSizeSkin doubleSize;
    PassState pass;
    // The exit code when start-up fails: 1 when no window could be opened
    // (no X display), -1 when the audio cannot start.
    int32_t startFailure = -1;
};

struct Services {
    platform::WindowSystem& windows;
    AudioEngine& engine;
    platform::Clock& clock;
    void (*sleep)(uint32_t milliseconds);
    // Opens the desktop's media controls once start-up has succeeded; null
    // (with a one-line reason in `error`) when there are none. No opener:
    // no controls.
    std::unique_ptr<platform::MediaService> (*openMedia)(platform::MediaRemote& remote, std::string& error) = nullptr;
    // Where the loop rests while nothing is drawn every pass (hidden, or
    // between capped frames), woken by the bus, the end of a track and quit
    // signals. Null: the loop sleeps 2 ms after every pass.
    platform::LoopRest* rest = nullptr;
};

// Start-up, the frame loop until a quit is requested, and shutdown. Returns
// the process exit code: 0, 1 when the window cannot be opened, or -1 when
// the audio cannot be started (with one line on standard error saying why).
int runPlayer(App& app, Services& services);
