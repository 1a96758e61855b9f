// What the desktop controls cost the frame loop while nobody uses them: a
// whole pass (effect 1, as bench_frame measures it) without any media
// service, and with the service up and idle, in the same run. With a
// session bus (run under dbus-run-session) the idle service is the real one
// on its own thread; without, the stand-in, which asks the same of the pass.
#include "app/app.h"
#include "app/frame_loop.h"
#include "app/startup.h"
#include "audio/mp3_engine.h"
#include "bench/bench_window.h"
#include "bench/floor_ratios.h"
#include "platform/headless_audio_device.h"
#include "platform/headless_mpris.h"
#include "platform/sdbus_mpris.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void noSleep(uint32_t) {}

struct Program {
    BenchWindowSystem windows;
    FakeClock clock;
    platform::HeadlessAudioDevice device;
    Mp3Engine engine{device};
    std::unique_ptr<App> app = std::make_unique<App>();
    Services services{windows, engine, clock, noSleep};
};

void runPasses(benchmark::State& state, bool withService)
{
    std::error_code error;
    std::filesystem::current_path(Q2_TRACK_DIR, error);
    Program program;
    program.clock.now = 1000;
    if (error || !startUp(*program.app, program.services)) {
        state.SkipWithError("start-up failed (no tracks in " Q2_TRACK_DIR "?)");
        return;
    }
    std::vector<float> audio(size_t(platform::kDeviceBufferFrames) * 2);
    for (int i = 0; i < 3 * 44100 / platform::kDeviceBufferFrames; ++i)
        program.device.pull(audio.data(), platform::kDeviceBufferFrames);
    program.windows.opened->digits.down[1] = true;

    std::string reason;
    std::unique_ptr<platform::MediaService> service;
    if (withService) {
        service = platform::openSessionBusMedia(program.app->remote, reason);
        state.SetLabel(service ? "session bus" : "stand-in (no session bus)");
        if (!service)
            service = std::make_unique<platform::HeadlessMediaService>(program.app->remote);
        program.app->media = service.get();
    }
    for (auto _ : state) {
        program.clock.now += 16;
        runPass(*program.app, program.services);
        benchmark::DoNotOptimize(program.windows.opened->surface.data());
        benchmark::ClobberMemory();
    }
    program.app->media = nullptr;
    service.reset();
    shutDown(*program.app);
}

void BM_PassWithoutMediaService(benchmark::State& state) { runPasses(state, false); }
BENCHMARK(BM_PassWithoutMediaService)->Unit(benchmark::kMicrosecond);

void BM_PassWithIdleMediaService(benchmark::State& state) { runPasses(state, true); }
BENCHMARK(BM_PassWithIdleMediaService)->Unit(benchmark::kMicrosecond);

BENCHMARK(BM_MemcpyWindowBytes)->Unit(benchmark::kMicrosecond);

} // namespace
