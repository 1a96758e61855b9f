// Prints, after the usual console report, each benchmark's median CPU time
// as a multiple of a floor measured in the same run, and the part of a
// whole pass that is not its effect. The machine is shared, so absolute
// times drift with the load; ratios to a floor taken moments apart drift
// much less.
#pragma once

#include "gfx/frame.h"
#include "gfx/simd_target.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

// The least a frame can cost, the floor the reports divide by: moving the
// window's bytes once.
inline void BM_MemcpyWindowBytes(benchmark::State& state)
{
    const size_t bytes = size_t(kWindowWidth) * kWindowHeight * 4;
    std::vector<uint8_t> from(bytes, 0x5A), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

class FloorRatioReporter : public benchmark::ConsoleReporter {
public:
    // `floor` names the benchmark every other is divided by; each pair of
    // `splits` is (whole, part): the report also gives whole minus part.
    // A pair with no part reports the whole alone.
    FloorRatioReporter(std::string floor, std::vector<std::pair<std::string, std::string>> splits)
        : floorName(std::move(floor)), splitNames(std::move(splits))
    {
    }

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.str();
            // Prefer the median of repetitions; a single run stands for itself.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[name] = microseconds(run);
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min")
                fastest[name] = microseconds(run);
            else if (run.run_type == Run::RT_Iteration && medians.count(name) == 0)
                singles[name] = microseconds(run);
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        printRatios("median", [&](const std::string& name) { return timeOf(name); });
        // On a loaded machine a burst of load can land on one benchmark and
        // not its partner; the fastest repetitions are less exposed to that.
        if (!fastest.empty())
            printRatios("fastest", [&](const std::string& name) {
                const auto it = fastest.find(name);
                return it != fastest.end() ? it->second : 0.0;
            });
    }

private:
    template <class TimeOf>
    void printRatios(const char* which, TimeOf time)
    {
        const double floor = time(floorName);
        if (floor <= 0.0)
            return;
        std::printf("\n%s CPU time as multiples of the floor (%s, %.2f us)\n", which, floorName.c_str(), floor);
        for (const auto& [whole, part] : splitNames) {
            const double w = time(whole), p = time(part);
            if (w > 0.0 && part.empty())
                std::printf("  %-36s %6.1fx\n", whole.c_str(), w / floor);
            if (w <= 0.0 || p <= 0.0)
                continue;
            std::printf("  %-28s whole %6.1fx   effect %6.1fx   rest %6.1fx\n", whole.c_str(), w / floor, p / floor,
                        (w - p) / floor);
        }
    }

    static double microseconds(const Run& run)
    {
        return run.GetAdjustedCPUTime() * 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }
    double timeOf(const std::string& name) const
    {
        if (auto it = medians.find(name); it != medians.end())
            return it->second;
        if (auto it = singles.find(name); it != singles.end())
            return it->second;
        return 0.0;
    }

    std::string floorName;
    std::vector<std::pair<std::string, std::string>> splitNames;
    std::map<std::string, double> medians, singles, fastest;
};

// Runs the benchmarks once per vector target, each run's report under a
// heading that names its target: first the one dispatch chooses here, then
// every other compiled target this processor has, so one run shows what a
// processor without the newer ones would get. With QUARVEN2_SIMD set only
// the target it names runs. `run(first)` runs the benchmarks once with a
// fresh reporter; `first` is false for the repeats, which may leave out
// what does not depend on the target.
template <class Run>
void runOnEachTarget(Run run)
{
    const auto heading = [](const simd::Target& target, const char* note) {
        std::printf("\n==== vector target %s%s\n", target.name, note);
        std::fflush(stdout);
    };
    if (std::getenv("QUARVEN2_SIMD") != nullptr) {
        simd::applyTargetFromEnvironment();
        heading(simd::activeTarget(), " (forced by QUARVEN2_SIMD)");
        run(true);
        return;
    }
    const simd::Target dispatched = simd::activeTarget();
    heading(dispatched, " (dispatched)");
    run(true);
    for (const simd::Target& target : simd::compiledTargets()) {
        if (target.bits == dispatched.bits)
            continue;
        if (!target.supported) {
            std::printf("\n==== vector target %s: not run, this processor lacks it\n", target.name);
            continue;
        }
        simd::forceTarget(target.bits);
        heading(target, "");
        run(false);
    }
    simd::forceTarget(0);
}
