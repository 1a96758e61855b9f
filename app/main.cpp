// The player: opens its window, plays the soundtrack and draws frames until
// the user quits.

#include "app/app.h"
#include "app/command_line.h"
#include "app/display_scale.h"
#include "app/track_folder.h"
#include "audio/mp3_engine.h"
#include "gfx/simd_target.h"
#include "platform/display_loss.h"
#include "platform/sdl_audio_device.h"
#include "platform/sdbus_mpris.h"
#include "platform/sdl_window.h"
#include "platform/system_time.h"
#include "platform/x11_dpi.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

namespace {

// Tracks are opened by their bare file names, so move to the folder that
// holds them.
void enterTrackFolder()
{
    std::error_code error;
    const std::filesystem::path current = std::filesystem::current_path(error);
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    const TrackCatalogue catalogue = makeTrackCatalogue();
    const std::filesystem::path folder = chooseTrackFolder(current, program, catalogue);
    if (folder != current)
        std::filesystem::current_path(folder, error);
}

} // namespace

int main(int argc, char** argv)
{
    const CommandLine commandLine = parseCommandLine(argc, argv);
    switch (commandLine.action) {
    case CommandLineAction::Help:
        std::fputs(usageText().c_str(), stdout);
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
    platform::SdlWindowSystem windows;
    platform::BootClock clock;
    platform::SdlAudioDevice device;
    platform::silenceOnDisplayLoss([](void* output) { static_cast<platform::SdlAudioDevice*>(output)->pause(); },
                                   &device);
    Mp3Engine engine(device);
    Services services{windows, engine, clock, platform::sleepMilliseconds, platform::openSessionBusMedia};
    // On the heap: the frame buffers are too large for the stack, and the
    // program's state must go before the engine and the window it uses.
    const auto app = std::make_unique<App>();
    app->options = commandLine.options;
    app->scale = chooseScale(app->options.scale, std::getenv("GDK_SCALE"), platform::xftDpiSetting);
    return runPlayer(*app, services);
}
