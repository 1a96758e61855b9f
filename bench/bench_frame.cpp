// The whole frame's work in the program's own frame loop — the effect, the
// spectrum and its strips, the scroller, the information text, the view's
// copy, the skin and knob, the conversion to 32 bits — for each of the five
// effects, without the sleep and the device blit; a plain memcpy of the
// window's bytes as the floor; and start-up up to the first presented frame
// with the real engine opening the 33 tracks the build made.
#include "app/app.h"
#include "app/frame_loop.h"
#include "app/startup.h"
#include "audio/mp3_engine.h"
#include "bench/bench_window.h"
#include "bench/floor_ratios.h"
#include "platform/headless_audio_device.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

void noSleep(uint32_t) {}

// The tracks lie in the build folder; the player opens them by bare name.
bool enterTrackFolder(benchmark::State& state)
{
    std::error_code error;
    std::filesystem::current_path(Q2_TRACK_DIR, error);
    if (error || !std::filesystem::exists("01_-_vela_orkestra_-_quarven_rising.mp3")) {
        state.SkipWithError("no tracks in " Q2_TRACK_DIR " (build the default tree, not a sanitized one)");
        return false;
    }
    return true;
}

// The program's parts wired as in main, with a window and an audio device
// that need no hardware.
struct Program {
    BenchWindowSystem windows;
    FakeClock clock;
    platform::HeadlessAudioDevice device;
    Mp3Engine engine{device};
    std::unique_ptr<App> app = std::make_unique<App>();
    Services services{windows, engine, clock, noSleep};
};

void BM_Frame(benchmark::State& state)
{
    if (!enterTrackFolder(state))
        return;
    Program program;
    program.clock.now = 1000;
    if (!startUp(*program.app, program.services)) {
        state.SkipWithError("start-up failed");
        return;
    }
    // A few seconds of the first track through the mixer, so the spectrum
    // and its strips have music to show.
    std::vector<float> audio(size_t(platform::kDeviceBufferFrames) * 2);
    for (int i = 0; i < 3 * 44100 / platform::kDeviceBufferFrames; ++i)
        program.device.pull(audio.data(), platform::kDeviceBufferFrames);

    BenchWindow& window = *program.windows.opened;
    window.digits.down[state.range(0)] = true;
    for (auto _ : state) {
        program.clock.now += 16; // about sixty frames a second
        runPass(*program.app, program.services);
        benchmark::DoNotOptimize(window.surface.data());
        benchmark::ClobberMemory();
    }
    shutDown(*program.app);
}
double fastestOf(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

// The effects' cost follows the clock (the tunnel's rays, the fractal's
// constant), so the whole pass and the effect alone run the same number of
// frames from the same start: the same clock readings, the same work, and
// "rest" (whole minus effect) is only what is not the effect.
constexpr benchmark::IterationCount kFramesPerRun = 1500;

BENCHMARK(BM_Frame)->ArgName("effect")->DenseRange(1, 5)->Iterations(kFramesPerRun)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastestOf);

// The effect of each digit alone, as the pass above runs it (same start-up,
// same clock steps), so that the report can tell the effect from the rest.
void BM_EffectAlone(benchmark::State& state)
{
    Program program;
    program.clock.now = 1000;
    if (!InitEffects(program.app->effects)) {
        state.SkipWithError("effect images unusable");
        return;
    }
    FakeKeys keys;
    keys.down[state.range(0)] = true;
    for (auto _ : state) {
        program.clock.now += 16;
        RunEffect(program.app->effects, program.app->view, program.clock, keys);
        benchmark::DoNotOptimize(program.app->view);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EffectAlone)->ArgName("effect")->DenseRange(1, 5)->Iterations(kFramesPerRun)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastestOf);

BENCHMARK(BM_MemcpyWindowBytes)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastestOf);

// From nothing to the first presented frame: window, outline, fonts, skin,
// audio start, 33 streams opened, effect images, the first track playing,
// one pass of the loop. The SDL window and device are not part of it; the
// Xvfb script measures the real program, those included.
void BM_StartUpToFirstFrame(benchmark::State& state)
{
    if (!enterTrackFolder(state))
        return;
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<Program>();
        state.ResumeTiming();
        if (!startUp(*program->app, program->services)) {
            state.SkipWithError("start-up failed");
            return;
        }
        runPass(*program->app, program->services);
        state.PauseTiming();
        int opened = 0;
        for (const TrackEntry& row : program->app->player.catalogue.rows)
            opened += row.stream != 0 ? 1 : 0;
        state.counters["streams"] = opened;
        shutDown(*program->app);
        program.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->Iterations(5);

// For callgrind (bench/pass_instructions.sh): exactly `passes` passes with
// `digit` held, after the same start-up as BM_Frame, counted by collecting
// only inside countedPasses (the whole pass) or RunEffect (its effect).
[[gnu::noinline]] void countedPasses(Program& program, int passes)
{
    for (int i = 0; i < passes; ++i) {
        program.clock.now += 16;
        runPass(*program.app, program.services);
    }
}

int runCountedPasses(int digit, int passes)
{
    std::filesystem::current_path(Q2_TRACK_DIR);
    Program program;
    program.clock.now = 1000;
    if (!startUp(*program.app, program.services))
        return 1;
    std::vector<float> audio(size_t(platform::kDeviceBufferFrames) * 2);
    for (int i = 0; i < 3 * 44100 / platform::kDeviceBufferFrames; ++i)
        program.device.pull(audio.data(), platform::kDeviceBufferFrames);
    program.windows.opened->digits.down[digit] = true;
    countedPasses(program, passes);
    shutDown(*program.app);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    // bench_frame --count-passes DIGIT PASSES
    if (argc == 4 && std::string(argv[1]) == "--count-passes")
        return runCountedPasses(std::atoi(argv[2]), std::atoi(argv[3]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::vector<std::pair<std::string, std::string>> splits;
    for (int digit = 1; digit <= 5; ++digit) {
        const std::string arg = "/effect:" + std::to_string(digit) + "/iterations:" + std::to_string(kFramesPerRun);
        splits.emplace_back("BM_Frame" + arg, "BM_EffectAlone" + arg);
    }
    // Start-up does not depend on the vector target: the other targets
    // repeat only the frames and the floor, unless a filter was given.
    const std::string filter = benchmark::GetBenchmarkFilter();
    const bool filtered = !filter.empty() && filter != "." && filter != "all";
    runOnEachTarget([&](bool first) {
        FloorRatioReporter reporter("BM_MemcpyWindowBytes", splits);
        benchmark::RunSpecifiedBenchmarks(&reporter, first || filtered ? filter : "BM_Frame|BM_EffectAlone|BM_Memcpy");
    });
    benchmark::Shutdown();
    return 0;
}
