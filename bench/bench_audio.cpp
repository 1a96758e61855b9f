// The engine's cost on top of decoding: one minute of a generated 128 kbps
// track decoded and mixed through the headless device, against the same file
// decoded by libmpg123 alone; the start-up's 33 stream opens; and how long
// the device's callback runs at the longest over a minute of playing.
#include "audio/mp3_engine.h"
#include "platform/headless_audio_device.h"
#include "tests/support/mp3_maker.h"

#include <benchmark/benchmark.h>
#include <mpg123.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

// A minute of changing chords with a little noise, so the encoder has real
// work and the decoder sees varied frames.
const std::string& minuteTrack()
{
    static const std::string path = [] {
        std::string file = (std::filesystem::temp_directory_path()
                            / ("q2-bench-" + std::to_string(::getpid()) + ".mp3")).string();
        testmp3::Pcm pcm{44100, 2, {}};
        const int frames = 60 * 44100;
        pcm.samples.resize(size_t(frames) * 2);
        uint32_t noise = 1;
        for (int i = 0; i < frames; ++i) {
            double t = double(i) / 44100;
            double root = 110.0 * std::pow(2.0, double((i / 22050) % 12) / 12.0);
            double v = 0;
            for (double ratio : {1.0, 1.25, 1.5, 2.0})
                v += 0.15 * std::sin(2 * std::numbers::pi * root * ratio * t);
            noise = noise * 1664525u + 1013904223u;
            float n = float(int32_t(noise)) / 2147483648.0f * 0.02f;
            pcm.samples[size_t(2 * i)] = float(v) + n;
            pcm.samples[size_t(2 * i + 1)] = float(v) - n;
        }
        if (!testmp3::writeMp3(file, pcm, 128))
            std::fprintf(stderr, "could not write %s\n", file.c_str());
        std::atexit([] { std::filesystem::remove(minuteTrack()); });
        return file;
    }();
    return path;
}

void BM_Mpg123DecodeOnly(benchmark::State& state)
{
    const std::string& track = minuteTrack();
    mpg123_init();
    mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_QUIET, 0);
    std::vector<float> buffer(size_t(platform::kDeviceBufferFrames) * 2);
    int64_t frames = 0;
    for (auto _ : state) {
        mpg123_open(decoder, track.c_str());
        size_t done = 0;
        int result = MPG123_OK;
        while (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
            result = mpg123_read(decoder, buffer.data(), buffer.size() * sizeof(float), &done);
            frames += int64_t(done / (2 * sizeof(float)));
        }
        mpg123_close(decoder);
    }
    mpg123_delete(decoder);
    state.counters["frames"] = benchmark::Counter(double(frames), benchmark::Counter::kAvgIterations);
}
// Process time: the engine decodes on a thread of its own.
BENCHMARK(BM_Mpg123DecodeOnly)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_EngineDecodeAndMix(benchmark::State& state)
{
    platform::HeadlessAudioDevice device;
    Mp3Engine engine(device);
    engine.init();
    engine.start();
    engine.setVolume(8000); // the gain stage is part of the cost
    StreamHandle stream = engine.openStream(minuteTrack().c_str());
    std::vector<float> buffer(size_t(platform::kDeviceBufferFrames) * 2);
    int64_t frames = 0;
    for (auto _ : state) {
        engine.play(stream, true);
        while (engine.isActive(stream)) {
            device.pull(buffer.data(), platform::kDeviceBufferFrames);
            frames += platform::kDeviceBufferFrames;
        }
    }
    state.counters["frames"] = benchmark::Counter(double(frames), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_EngineDecodeAndMix)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// Start-up opens one stream per catalogue row: 33 one-minute files.
void BM_Open33Streams(benchmark::State& state)
{
    platform::HeadlessAudioDevice device;
    Mp3Engine engine(device);
    const std::string& track = minuteTrack();
    for (auto _ : state) {
        for (int i = 0; i < 33; ++i)
            benchmark::DoNotOptimize(engine.openStream(track.c_str()));
        state.PauseTiming();
        engine.freeAll();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Open33Streams)->Unit(benchmark::kMillisecond);

// A minute of playing pulled as a sound card would (a clocked device: the
// pull never waits for the decoder), but ten times as fast (one device
// buffer every 2.3 ms instead of 23 ms), each pull timed. The longest pull
// is what the device may wait for a buffer: it must stay far inside its
// 23 ms period. Pulls that found a ring empty are counted too.
void BM_CallbackLongestRun(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    constexpr int kPace = 10;
    const auto period = std::chrono::microseconds(1000000LL * platform::kDeviceBufferFrames / platform::kOutputRate);
    platform::HeadlessAudioDevice device;
    device.setClocked(true);
    Mp3Engine engine(device);
    engine.init();
    engine.start();
    StreamHandle stream = engine.openStream(minuteTrack().c_str());
    std::vector<float> buffer(size_t(platform::kDeviceBufferFrames) * 2);
    double longestUs = 0, totalUs = 0;
    int64_t pulls = 0;
    for (auto _ : state) {
        engine.play(stream, true);
        Clock::time_point next = Clock::now();
        while (engine.isActive(stream)) {
            std::this_thread::sleep_until(next);
            next += period / kPace;
            const Clock::time_point begun = Clock::now();
            device.pull(buffer.data(), platform::kDeviceBufferFrames);
            const double us = std::chrono::duration<double, std::micro>(Clock::now() - begun).count();
            longestUs = std::max(longestUs, us);
            totalUs += us;
            ++pulls;
        }
    }
    state.counters["longest_us"] = longestUs;
    state.counters["mean_us"] = totalUs / double(std::max<int64_t>(pulls, 1));
    state.counters["period_us"] = double(std::chrono::duration<double, std::micro>(period).count());
    state.counters["ran_dry"] = double(engine.outputStats().ranDry);
}
BENCHMARK(BM_CallbackLongestRun)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

} // namespace
