// Time per frame of each effect pass and of each whole effect as RunEffect
// paints it. Each iteration is one frame; the clock moves on 37 ms per frame
// through a whole minute, so every texture and many fractal constants count.
#include "gfx/effects/passes.h"
#include "bench/floor_ratios.h"
#include "gfx/frame.h"
#include "gfx/simd_target.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

EffectState& effects()
{
    static EffectState* state = [] {
        auto* s = new EffectState;
        if (!InitEffects(*s)) {
            std::fprintf(stderr, "bench_effects: the effect images are unusable\n");
            std::exit(1);
        }
        return s;
    }();
    return *state;
}

class SteppingClock : public platform::Clock {
public:
    uint32_t now = 0;
    uint32_t milliseconds() override { return now; }
};

class HeldDigit : public platform::KeyState {
public:
    explicit HeldDigit(int digit) : digit_(digit) {}
    bool isDigitDown(int digit) override { return digit == digit_; }

private:
    int digit_;
};

constexpr uint32_t kStart = 1000000u;
constexpr uint32_t kStep = 37u;

inline uint32_t frameTime(uint32_t frame)
{
    return kStart + (frame * kStep) % 60000u;
}

template <typename Pass>
void runPass(benchmark::State& state, Pass pass)
{
    std::vector<uint32_t> view(kViewWidth * kViewHeight, 0);
    uint32_t frame = 0;
    for (auto _ : state) {
        const uint32_t ms = frameTime(frame++);
        pass(effects(), *effects().textures[ChooseTexture(ms)], view.data(), ms);
        benchmark::DoNotOptimize(view.data());
        benchmark::ClobberMemory();
    }
}

void BM_WarpBackground(benchmark::State& state) { runPass(state, DrawWarpBackground); }
void BM_Twister(benchmark::State& state) { runPass(state, DrawTwister); }
void BM_Rotozoom(benchmark::State& state) { runPass(state, DrawRotozoom); }
void BM_VoxelTerrain(benchmark::State& state) { runPass(state, DrawVoxelTerrain); }

void BM_TunnelRays(benchmark::State& state)
{
    runPass(state, [](EffectState& e, const CImage&, uint32_t*, uint32_t ms) { CastTunnelRays(e.tunnel, ms); });
}

// The cell fill alone, from grids cast beforehand at the frames' times.
void BM_TunnelCells(benchmark::State& state)
{
    constexpr uint32_t kGrids = 64;
    std::vector<TunnelGrid> grids(kGrids);
    for (uint32_t i = 0; i < kGrids; ++i)
        CastTunnelRays(grids[i], frameTime(i));
    std::vector<uint32_t> view(kViewWidth * kViewHeight, 0);
    uint32_t frame = 0;
    for (auto _ : state) {
        const uint32_t i = frame++ % kGrids;
        FillTunnelCells(grids[i], *effects().textures[ChooseTexture(frameTime(i))], view.data());
        benchmark::DoNotOptimize(view.data());
        benchmark::ClobberMemory();
    }
}

void BM_Julia(benchmark::State& state)
{
    runPass(state, [](EffectState& e, const CImage&, uint32_t* view, uint32_t ms) {
        DrawJulia(*e.paletteStrip, view, ms);
    });
}

// A whole effect through RunEffect, forced by its digit key (1..5), on the
// target dispatch picks or, when `target` is set, on that one.
void effectOnTarget(benchmark::State& state, int64_t target)
{
    if (target != 0 && !simd::forceTarget(target)) {
        state.SkipWithError("this processor cannot run the target");
        return;
    }
    SteppingClock clock;
    HeldDigit keys(static_cast<int>(state.range(0)));
    std::vector<uint32_t> view(kViewWidth * kViewHeight, 0);
    uint32_t frame = 0;
    for (auto _ : state) {
        clock.now = frameTime(frame++);
        RunEffect(effects(), view.data(), clock, keys);
        benchmark::DoNotOptimize(view.data());
        benchmark::ClobberMemory();
    }
    simd::forceTarget(0);
}

void BM_Effect(benchmark::State& state) { effectOnTarget(state, 0); }


// The machine is shared: besides the median, the fastest repetition shows
// what a frame costs when nothing else competes for the core.
double fastest(const std::vector<double>& times)
{
    return *std::min_element(times.begin(), times.end());
}

} // namespace

#define EFFECT_BENCHMARK(fn) BENCHMARK(fn)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest)

EFFECT_BENCHMARK(BM_WarpBackground);
EFFECT_BENCHMARK(BM_Twister);
EFFECT_BENCHMARK(BM_Rotozoom);
EFFECT_BENCHMARK(BM_VoxelTerrain);
EFFECT_BENCHMARK(BM_TunnelRays);
EFFECT_BENCHMARK(BM_TunnelCells);
EFFECT_BENCHMARK(BM_Julia);
EFFECT_BENCHMARK(BM_MemcpyWindowBytes);
EFFECT_BENCHMARK(BM_Effect)->ArgName("digit")->DenseRange(1, 5);

// Every effect again on each compiled target this processor runs, and the
// ratios to the floor for all of them after the usual report.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::vector<std::string> names = {"BM_Effect"};
    for (const simd::Target& target : simd::compiledTargets()) {
        if (!target.supported) {
            std::printf("bench_effects: target %s not run, this processor lacks it\n", target.name);
            continue;
        }
        names.push_back(std::string("BM_Effect/") + target.name);
        benchmark::RegisterBenchmark(names.back().c_str(), effectOnTarget, target.bits)
            ->ArgName("digit")
            ->DenseRange(1, 5)
            ->Unit(benchmark::kMicrosecond)
            ->ComputeStatistics("min", fastest);
    }
    std::printf("bench_effects: dispatch picks %s\n", simd::activeTarget().name);
    std::vector<std::pair<std::string, std::string>> ratios;
    for (const std::string& name : names)
        for (int digit = 1; digit <= 5; ++digit)
            ratios.emplace_back(name + "/digit:" + std::to_string(digit), "");
    FloorRatioReporter reporter("BM_MemcpyWindowBytes", ratios);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
