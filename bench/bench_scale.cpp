// What the double-size window costs beside the single-size one: the part of
// a frame that depends on the scale (the view into the window, the skin with
// its knob, the conversion to a 32-bit surface), each as a multiple of its
// own floor (moving that window's bytes once) measured in the same run, and
// the whole pass through the program's frame loop at each scale.
#include "app/app.h"
#include "app/controls.h"
#include "app/control_colours.h"
#include "app/double_size.h"
#include "app/skin_cache.h"
#include "app/frame_loop.h"
#include "app/startup.h"
#include "assets/assets.h"
#include "audio/mp3_engine.h"
#include "bench/bench_window.h"
#include "display/pixel_conversion.h"
#include "platform/headless_audio_device.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Images {
    CImage normal{assets::skinNormal};
    CImage hover{assets::skinHover};
    CImage active{assets::skinActive};
    CImage knob{assets::volumeKnob};
    CImage hitMap{assets::hitMap};
    CImage normal2x{assets::skinNormal2x};
    CImage hover2x{assets::skinHover2x};
    CImage active2x{assets::skinActive2x};
    CImage knob2x{assets::volumeKnob2x};
};

std::vector<uint32_t> viewPattern()
{
    std::vector<uint32_t> view(kViewWidth * kViewHeight);
    for (size_t i = 0; i < view.size(); ++i)
        view[i] = static_cast<uint32_t>(i * 2654435761u) | 0xFF000000u;
    return view;
}

// The mouse over the next button and the track playing; `changing` moves the
// mouse on and off the button every frame, so the skin's look changes each time.
void BM_SkinAndPresent(benchmark::State& state)
{
    const int scale = static_cast<int>(state.range(0));
    const bool changing = state.range(1) != 0;
    const auto images = std::make_unique<Images>();
    const std::vector<uint32_t> view = viewPattern();
    const int width = kWindowWidth * scale;
    const int height = kWindowHeight * scale;
    std::vector<uint8_t> surface(static_cast<size_t>(width) * height * 4);
    const PixelTarget target{surface.data(), width * 4, width, height, 32};
    std::vector<uint32_t> window(static_cast<size_t>(kWindowWidth) * kWindowHeight);
    const SkinImages single{images->normal, images->hover, images->active, images->knob, images->hitMap};
    const SkinImages doubled{images->normal2x, images->hover2x, images->active2x, images->knob2x, images->hitMap};
    const auto cache = std::make_unique<SkinCache>();
    DoubleSizeFrame frame;
    if (scale == 2 && !prepareDoubleSizeFrame(frame, doubled)) {
        state.SkipWithError("double-size skin unusable");
        return;
    }
    bool over = true;
    for (auto _ : state) {
        const uint32_t hover = over ? control::kNext : control::kBackground;
        if (changing)
            over = !over;
        if (scale == 1) {
            composeWindow(window.data(), view.data(), single, *cache, hover, true, false, false, 0.5f);
            convertPixels(window.data(), kWindowWidth, target);
        } else {
            composeDoubleSize(frame, doubled, view.data(), hover, true, false, false, 0.5f);
            convertPixels(frame.pixels.data(), kDoubleWidth, target);
        }
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SkinAndPresent)
    ->ArgNames({"scale", "changing"})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Unit(benchmark::kMicrosecond);

// The floor at each scale: one copy of that window's bytes.
void BM_MemcpyWindowBytes(benchmark::State& state)
{
    const size_t bytes = size_t(kWindowWidth) * kWindowHeight * 4 * size_t(state.range(0) * state.range(0));
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyWindowBytes)->ArgName("scale")->DenseRange(1, 2)->Unit(benchmark::kMicrosecond);

void noSleep(uint32_t) {}

// A whole pass of the frame loop (the rotozoom held by its digit) at each
// scale, with the program's own start-up on the tracks this build made.
void BM_Pass(benchmark::State& state)
{
    std::error_code error;
    std::filesystem::current_path(Q2_TRACK_DIR, error);
    BenchWindowSystem windows;
    FakeClock clock;
    platform::HeadlessAudioDevice device;
    Mp3Engine engine{device};
    auto app = std::make_unique<App>();
    Services services{windows, engine, clock, noSleep};
    app->scale = static_cast<int32_t>(state.range(0));
    clock.now = 1000;
    if (error || !startUp(*app, services)) {
        state.SkipWithError("start-up failed (no tracks in " Q2_TRACK_DIR "?)");
        return;
    }
    windows.opened->digits.down[2] = true;
    for (auto _ : state) {
        clock.now += 16;
        runPass(*app, services);
        benchmark::DoNotOptimize(windows.opened->surface.data());
        benchmark::ClobberMemory();
    }
    shutDown(*app);
}
BENCHMARK(BM_Pass)->ArgName("scale")->DenseRange(1, 2)->Unit(benchmark::kMicrosecond);

// After the usual report: each median as a multiple of the floor of its own
// scale, and scale 2 against scale 1.
class ScaleRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && times.count(run.run_name.str()) == 0;
            if (median || single)
                times[run.run_name.str()] =
                    run.GetAdjustedCPUTime() * 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const double floor1 = time("BM_MemcpyWindowBytes/scale:1");
        const double floor2 = time("BM_MemcpyWindowBytes/scale:2");
        if (floor1 <= 0.0 || floor2 <= 0.0)
            return;
        std::printf("\nmedian CPU time as multiples of each scale's floor (memcpy of its window: %.2f us, %.2f us)\n",
                    floor1, floor2);
        line("skin, view and conversion", "BM_SkinAndPresent/scale:1/changing:0",
             "BM_SkinAndPresent/scale:2/changing:0", floor1, floor2);
        line("  the look changing each frame", "BM_SkinAndPresent/scale:1/changing:1",
             "BM_SkinAndPresent/scale:2/changing:1", floor1, floor2);
        line("whole pass (rotozoom)", "BM_Pass/scale:1", "BM_Pass/scale:2", floor1, floor2);
    }

private:
    double time(const std::string& name) const
    {
        const auto it = times.find(name);
        return it == times.end() ? 0.0 : it->second;
    }
    void line(const char* what, const std::string& one, const std::string& two, double floor1, double floor2) const
    {
        const double t1 = time(one), t2 = time(two);
        if (t1 <= 0.0 || t2 <= 0.0)
            return;
        std::printf("  %-32s scale 1 %6.1fx   scale 2 %6.1fx   scale 2 / scale 1 %5.2f\n", what, t1 / floor1,
                    t2 / floor2, t2 / t1);
    }
    std::map<std::string, double> times;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    ScaleRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
