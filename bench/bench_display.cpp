// The per-frame conversion of the window surface into the display's format.
#include "display/pixel_conversion.h"
#include "gfx/frame.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void convertWindow(benchmark::State& state)
{
    const auto bits = static_cast<int32_t>(state.range(0));
    std::vector<uint32_t> source(kWindowWidth * kWindowHeight);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<uint32_t>(i * 2654435761u);
    const int32_t pitch = (kWindowWidth * ((bits + 1) / 8) + 3) & ~3;
    std::vector<uint8_t> target(static_cast<size_t>(pitch) * kWindowHeight);
    const PixelTarget to{target.data(), pitch, kWindowWidth, kWindowHeight, bits};
    for (auto _ : state) {
        convertPixels(source.data(), kWindowWidth, to);
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(convertWindow)->Arg(32)->Arg(24)->Arg(16)->Arg(15);

} // namespace
