// The player: opens its window, plays the soundtrack and draws frames until
// the user quits.

#include "app/app.h"
#include "app/command_line.h"
#include "app/display_scale.h"
#include "app/track_folder.h"
#include "audio/mp3_engine.h"
#include "gfx/simd_target.h"
#include "platform/display_loss.h"
#include "platform/poll_rest.h"
#include "platform/sdl_audio_device.h"
#include "platform/sdbus_mpris.h"
#include "platform/sdl_window.h"
#include "platform/system_time.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

// The folder of the running executable, with every link resolved; empty
// when the system does not say.
std::filesystem::path programFolder()
{
    std::error_code error;
    return std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
}

// Tracks are opened by their bare file names, so move to the folder that
// holds them.
void enterTrackFolder()
{
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    const std::filesystem::path program = programFolder();
    const TrackCatalogue catalogue = makeTrackCatalogue();
    const std::filesystem::path folder =
        chooseTrackFolder(current, program, installedTrackFolder(program), catalogue);
    if (folder != current)
        std::filesystem::current_path(folder, error);
}

// With Q2_AUDIO_STATS set, how the sound output fared, printed as the player
// ends: for a user chasing dropouts, and for the tests of a slow disk.
struct AudioOutputReport {
    const Mp3Engine& engine;
    ~AudioOutputReport()
    {
        if (std::getenv("Q2_AUDIO_STATS") == nullptr)
            return;
        const AudioOutputStats stats = engine.outputStats();
        std::fprintf(stderr, "quarven2: audio output: %llu periods, %llu ran dry, longest callback %.3f ms\n",
                     static_cast<unsigned long long>(stats.callbacks), static_cast<unsigned long long>(stats.ranDry),
                     static_cast<double>(stats.longestCallbackNs) / 1e6);
    }
};

} // namespace

int main(int argc, char** argv)
{
    const CommandLine commandLine = parseCommandLine(argc, argv);
    switch (commandLine.action) {
    case CommandLineAction::Help:
        std::fputs(usageText(installedTrackFolder(programFolder()).string()).c_str(), stdout);
        return 0;
    case CommandLineAction::Version:
        std::printf("quarven2 %s\n", kProgramVersion);
        return 0;
    case CommandLineAction::Error:
        std::fprintf(stderr, "%s\n", usageErrorLine(commandLine.error).c_str());
        return 2;
    case CommandLineAction::Run:
        break;
    }
    // QUARVEN2_SIMD may name the vector target to draw with (to measure a
    // processor that lacks the newer ones); a name that does not fit is
    // reported and the best target kept.
    simd::applyTargetFromEnvironment();
    // SDL cannot set a title with non-ASCII letters under the C locale.
    std::setlocale(LC_ALL, "");
    enterTrackFolder();
    // Everything lives in this frame and goes in reverse order of
    // declaration, the program's state (window, fonts, images) before the
    // engine and the device it plays through; nothing is left for static
    // destructors, which would run after the display or the sound is gone.
    // First, so that it outlives every thread that wakes it, and takes the
    // quit signals before SDL looks at them.
    platform::PollRest rest;
    platform::SdlWindowSystem windows;
    platform::BootClock clock;
    platform::SdlAudioDevice device;
    platform::silenceOnDisplayLoss([](void* output) { static_cast<platform::SdlAudioDevice*>(output)->pause(); },
                                   &device);
    Mp3Engine engine(device);
    Services services{windows, engine, clock, platform::sleepMilliseconds, platform::openSessionBusMedia, &rest};
    // On the heap: the frame buffers are too large for the stack, and the
    // program's state must go before the engine and the window it uses.
    const auto app = std::make_unique<App>();
    // Once the player has ended, with the engine still there to ask.
    const AudioOutputReport audioReport{engine};
    app->options = commandLine.options;
    app->scale =
        chooseScale(app->options.scale, std::getenv("GDK_SCALE"), [&windows] { return windows.xftDpiSetting(); });
    return runPlayer(*app, services);
}
