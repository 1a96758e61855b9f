// The real engine on real MP3 files, made here with libmp3lame and pulled
// through the headless device.
#include "support/engine_harness.h"
#include "support/mp3_maker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace testmp3;

namespace {

constexpr int kRate = 44100;

class AudioEngineTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = fs::path(testing::TempDir()) / ("q2-engine-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        ASSERT_TRUE(writeMp3(path("sine.mp3"), tone(kRate, 2, 1.0, 1000, 1.0f)));
        ASSERT_TRUE(writeMp3(path("short.mp3"), tone(kRate, 2, 0.5, 440, 0.5f)));
        ASSERT_TRUE(writeMp3(path("sweep.mp3"), tone(kRate, 2, 2.0, 200, 0.5f, 4000)));
        ASSERT_TRUE(writeMp3(path("silence.mp3"), silence(kRate, 2, 0.5)));
        ASSERT_TRUE(writeMp3(path("mono22050.mp3"), tone(22050, 1, 1.0, 1000, 1.0f), 64));
        ASSERT_TRUE(writeMp3(path("sweep22050.mp3"), tone(22050, 1, 1.0, 200, 0.5f, 4000), 64));
        ASSERT_TRUE(writeMp3(path("stereo48000.mp3"), tone(48000, 2, 1.0, 1000, 1.0f)));
        ASSERT_TRUE(writeMp3(path("mono8000.mp3"), tone(8000, 1, 1.0, 1000, 1.0f), 32));
        ASSERT_TRUE(writeMp3(path("tagged.mp3"), tone(kRate, 2, 0.5, 1000, 1.0f), 128, true));
        ASSERT_TRUE(writeMp3(path("vbr.mp3"), tone(kRate, 2, 1.0, 1000, 1.0f), 0));
        ASSERT_TRUE(writeMp3(path("quiet.mp3"), tone(kRate, 2, 0.5, 3000, 0.25f)));
    }
    static void TearDownTestSuite() { fs::remove_all(dir); }

    static std::string path(const char* name) { return (dir / name).string(); }

    void SetUp() override
    {
        ASSERT_TRUE(run.engine.init());
        ASSERT_TRUE(run.engine.start());
    }

    StreamHandle openAndPlay(const char* name)
    {
        StreamHandle stream = run.engine.openStream(path(name).c_str());
        EXPECT_NE(stream, 0u) << name;
        EXPECT_TRUE(run.engine.play(stream, true));
        return stream;
    }

    static int peakBin(const float* bins)
    {
        return int(std::max_element(bins, bins + kSpectrumBins) - bins);
    }

    static inline fs::path dir;
    EngineUnderTest run;
};

// Index of the last frame with an audible sample, -1 when all silent.
int lastAudibleFrame(const std::vector<float>& out)
{
    for (int i = int(out.size()) - 1; i >= 0; --i)
        if (std::fabs(out[size_t(i)]) > 1e-3f)
            return i / 2;
    return -1;
}

float rms(const std::vector<float>& out, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += double(out[i]) * out[i];
    return float(std::sqrt(sum / double(to - from)));
}

TEST_F(AudioEngineTest, SpectrumOfAFullScaleSinePeaksInItsBinWithUnitScale)
{
    StreamHandle stream = openAndPlay("sine.mp3");
    run.pull(8192);
    float bins[kSpectrumBins];
    ASSERT_TRUE(run.engine.spectrum(stream, bins));
    EXPECT_EQ(peakBin(bins), 12); // 1000 Hz / 86.13 Hz per bin
    EXPECT_GT(bins[12], 0.85f);
    EXPECT_LE(bins[12], 1.0f);
    EXPECT_LT(bins[40], 0.01f); // far from the tone: nothing

    // The spectrum is taken before the global volume.
    run.engine.setVolume(2500);
    run.pull(2048);
    float quiet[kSpectrumBins];
    ASSERT_TRUE(run.engine.spectrum(stream, quiet));
    EXPECT_GT(quiet[12], 0.85f);
}

TEST_F(AudioEngineTest, SpectrumFailsWithoutTouchingTheBufferWhenNothingPlays)
{
    StreamHandle stream = openAndPlay("sine.mp3");
    run.pull(4096);
    ASSERT_TRUE(run.engine.stop(stream));
    float bins[kSpectrumBins];
    std::fill(bins, bins + kSpectrumBins, -7.0f);
    EXPECT_FALSE(run.engine.spectrum(stream, bins));
    EXPECT_FALSE(run.engine.spectrum(0, bins));
    EXPECT_FALSE(run.engine.spectrum(stream + 100, bins));
    for (float b : bins)
        ASSERT_EQ(b, -7.0f);
}

TEST_F(AudioEngineTest, OtherRatesAndChannelCountsPlayAtTheRightPitchAndLength)
{
    for (const char* name : {"mono22050.mp3", "stereo48000.mp3", "mono8000.mp3", "vbr.mp3", "tagged.mp3"}) {
        SCOPED_TRACE(name);
        StreamHandle stream = openAndPlay(name);
        run.pull(8192);
        float bins[kSpectrumBins];
        ASSERT_TRUE(run.engine.spectrum(stream, bins));
        EXPECT_EQ(peakBin(bins), 12);
        EXPECT_GT(bins[12], 0.8f);
        // Every source sample arrives, the converter's tail included, and
        // nothing is added: the tone runs to the last output frame.
        std::vector<float> rest = run.pullUntilEnd(stream, 4 * kRate);
        int expected = (name == std::string("tagged.mp3") ? kRate / 2 : kRate) - 8192;
        EXPECT_NEAR(lastAudibleFrame(rest), expected - 1, 2);
        size_t end = size_t(expected) * 2;
        EXPECT_GT(rms(rest, end - 512, end), 0.5f);
        run.engine.freeStream(stream);
    }
}

TEST_F(AudioEngineTest, MonoIsHeardOnBothChannels)
{
    openAndPlay("mono22050.mp3");
    std::vector<float> out = run.pull(4096);
    for (size_t i = 2048; i < out.size(); i += 2)
        ASSERT_FLOAT_EQ(out[i], out[i + 1]);
    EXPECT_GT(rms(out, 2048, out.size()), 0.5f);
}

// The reference: the same file played through without interruption.
std::vector<float> playedThrough(const std::string& file, int frames)
{
    EngineUnderTest reference;
    EXPECT_TRUE(reference.engine.init());
    reference.engine.start();
    StreamHandle stream = reference.engine.openStream(file.c_str());
    reference.engine.play(stream, true);
    return reference.pull(frames);
}

TEST_F(AudioEngineTest, ResumeContinuesWhereStopLeftAndRestartBeginsAtTheFirstSample)
{
    for (const char* name : {"sweep.mp3", "sweep22050.mp3"}) {
        SCOPED_TRACE(name);
        const int n = 3000; // not a multiple of the device buffer or a decoder frame
        std::vector<float> reference = playedThrough(path(name), 3 * n);

        StreamHandle stream = openAndPlay(name);
        std::vector<float> first = run.pull(n);
        ASSERT_TRUE(run.engine.stop(stream));
        EXPECT_FALSE(run.engine.isActive(stream));
        std::vector<float> paused = run.pull(n);
        EXPECT_EQ(lastAudibleFrame(paused), -1);
        ASSERT_TRUE(run.engine.play(stream, false));
        EXPECT_TRUE(run.engine.isActive(stream));
        std::vector<float> resumed = run.pull(n);

        EXPECT_TRUE(std::equal(first.begin(), first.end(), reference.begin()));
        EXPECT_TRUE(std::equal(resumed.begin(), resumed.end(), reference.begin() + 2 * n));

        ASSERT_TRUE(run.engine.play(stream, true));
        std::vector<float> restarted = run.pull(2 * n);
        EXPECT_TRUE(std::equal(restarted.begin(), restarted.end(), reference.begin()));
        run.engine.freeStream(stream);
    }
}

TEST_F(AudioEngineTest, EndEventFiresOnceOnAnEngineThreadAfterTheLastSample)
{
    EndRecorder ends;
    StreamHandle stream = openAndPlay("short.mp3");
    SyncHandle sync = run.engine.setEndSync(stream, &EndRecorder::onEnd, &ends);
    ASSERT_NE(sync, 0u);

    std::vector<float> out = run.pullUntilEnd(stream, 4 * kRate);
    EXPECT_FALSE(run.engine.isActive(stream));
    // The encoder's LAME tag makes the decoded length exact: 0.5 s.
    EXPECT_NEAR(lastAudibleFrame(out), kRate / 2 - 1, 2);
    ASSERT_TRUE(ends.waitFor(1));
    EXPECT_EQ(ends.lastSync, sync);
    EXPECT_EQ(ends.lastStream, stream);
    EXPECT_NE(ends.thread, std::this_thread::get_id());

    // More output, then the fired event's removal: nothing more happens.
    run.pull(8192);
    run.engine.removeSync(stream, sync);
    EndRecorder fence;
    StreamHandle other = openAndPlay("silence.mp3");
    run.engine.setEndSync(other, &EndRecorder::onEnd, &fence);
    run.pullUntilEnd(other, 4 * kRate);
    ASSERT_TRUE(fence.waitFor(1));
    EXPECT_EQ(ends.current(), 1);
}

TEST_F(AudioEngineTest, StopAndRemovedEventsRaiseNothing)
{
    EndRecorder stopped, removed, fence;
    StreamHandle a = openAndPlay("short.mp3");
    StreamHandle b = openAndPlay("silence.mp3");
    run.engine.setEndSync(a, &EndRecorder::onEnd, &stopped);
    SyncHandle doomed = run.engine.setEndSync(b, &EndRecorder::onEnd, &removed);
    run.pull(4096);
    run.engine.stop(a);
    EXPECT_TRUE(run.engine.removeSync(b, doomed));
    run.pullUntilEnd(b, 4 * kRate);
    run.pull(kRate);

    // Events are handed out in one pass, so once a later stream's event has
    // come, any raised by the stop or the removed one would have come too.
    StreamHandle c = openAndPlay("silence.mp3");
    run.engine.setEndSync(c, &EndRecorder::onEnd, &fence);
    run.pullUntilEnd(c, 4 * kRate);
    ASSERT_TRUE(fence.waitFor(1));
    EXPECT_EQ(stopped.current(), 0);
    EXPECT_EQ(removed.current(), 0);

    // The stopped stream still ends with its event once played on.
    run.engine.play(a, false);
    run.pullUntilEnd(a, 4 * kRate);
    EXPECT_TRUE(stopped.waitFor(1));
}

TEST_F(AudioEngineTest, PlayingAnEndedStreamAgainStartsItOver)
{
    StreamHandle stream = openAndPlay("short.mp3");
    std::vector<float> first = run.pullUntilEnd(stream, 4 * kRate);
    ASSERT_TRUE(run.engine.play(stream, false));
    std::vector<float> again = run.pullUntilEnd(stream, 4 * kRate);
    EXPECT_EQ(first, again);
}

TEST_F(AudioEngineTest, GlobalVolumeScalesTheOutputLinearly)
{
    std::vector<float> full = playedThrough(path("short.mp3"), 8192);
    openAndPlay("short.mp3");
    ASSERT_TRUE(run.engine.setVolume(5000));
    std::vector<float> half = run.pull(8192);
    for (size_t i = 0; i < full.size(); ++i)
        ASSERT_FLOAT_EQ(half[i], full[i] * 0.5f) << i;
    EXPECT_GT(rms(full, 0, full.size()), 0.3f);

    ASSERT_TRUE(run.engine.setVolume(0));
    EXPECT_EQ(lastAudibleFrame(run.pull(4096)), -1);
    EXPECT_FALSE(run.engine.setVolume(kMaxVolume + 1));

    // The top of the range is full volume again, to the bit.
    std::vector<float> through = playedThrough(path("short.mp3"), 16384);
    ASSERT_TRUE(run.engine.setVolume(kMaxVolume));
    std::vector<float> loud = run.pull(4096);
    EXPECT_TRUE(std::equal(loud.begin(), loud.end(), through.begin() + 2 * 12288));
}

TEST_F(AudioEngineTest, TwoPlayingStreamsAreSummed)
{
    std::vector<float> a = playedThrough(path("short.mp3"), 8192);
    std::vector<float> b = playedThrough(path("quiet.mp3"), 8192);
    openAndPlay("short.mp3");
    openAndPlay("quiet.mp3");
    std::vector<float> both = run.pull(8192);
    for (size_t i = 0; i < both.size(); ++i)
        ASSERT_EQ(both[i], std::clamp(a[i] + b[i], -1.0f, 1.0f)) << i;
    EXPECT_GT(rms(b, 0, b.size()), 0.1f);
}

TEST_F(AudioEngineTest, AStreamWhoseRateChangesMidwayIsCutThere)
{
    // Half a second at 44100 Hz, then half a second at 48000 Hz, same channel
    // count; no LAME tag, so nothing but the change can end the first part.
    ASSERT_TRUE(writeMp3(path("part44.mp3"), tone(kRate, 2, 0.5, 1000, 0.5f), 128, false, false));
    ASSERT_TRUE(writeMp3(path("part48.mp3"), tone(48000, 2, 0.5, 1000, 0.5f), 128, false, false));
    {
        std::ofstream joined(path("joined.mp3"), std::ios::binary);
        for (const char* part : {"part44.mp3", "part48.mp3"})
            joined << std::ifstream(path(part), std::ios::binary).rdbuf();
    }
    StreamHandle stream = openAndPlay("joined.mp3");
    std::vector<float> out = run.pullUntilEnd(stream, 4 * kRate);
    // The first part plus the encoder's delay and padding, not a frame of the second.
    EXPECT_GT(lastAudibleFrame(out), kRate / 2 - 100);
    EXPECT_LT(lastAudibleFrame(out), kRate / 2 + 2500);
}

TEST_F(AudioEngineTest, OnlyPlayingStreamsAreMixed)
{
    std::vector<float> alone = playedThrough(path("short.mp3"), 4096);
    StreamHandle a = openAndPlay("short.mp3");
    StreamHandle b = openAndPlay("sweep.mp3");
    run.engine.stop(b);
    EXPECT_EQ(run.pull(4096), alone);
    run.engine.play(b, true);
    std::vector<float> both = run.pull(4096);
    EXPECT_NE(both, playedThrough(path("short.mp3"), 8192));
    EXPECT_TRUE(run.engine.isActive(a));
}

TEST_F(AudioEngineTest, UnusableFilesGiveNoStreamOrEndCleanly)
{
    std::ofstream(path("empty.mp3"), std::ios::binary).close();
    std::ofstream(path("text.mp3")) << "This is not an MP3 file at all.\n";
    std::mt19937 random(7);
    std::ofstream noise(path("random.mp3"), std::ios::binary);
    for (int i = 0; i < 65536; ++i)
        noise.put(char(random()));
    noise.close();
    std::ifstream whole(path("sweep.mp3"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(whole)), {});
    std::ofstream(path("head.mp3"), std::ios::binary) << bytes.substr(0, 300);
    std::ofstream(path("half.mp3"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);

    EXPECT_EQ(run.engine.openStream(path("missing.mp3").c_str()), 0u);
    EXPECT_EQ(run.engine.openStream(path("empty.mp3").c_str()), 0u);
    EXPECT_EQ(run.engine.openStream(path("text.mp3").c_str()), 0u);
    EXPECT_EQ(run.engine.openStream(nullptr), 0u);
    for (const char* name : {"random.mp3", "head.mp3", "half.mp3"}) {
        SCOPED_TRACE(name);
        StreamHandle stream = run.engine.openStream(path(name).c_str());
        if (stream == 0)
            continue;
        EndRecorder ends;
        run.engine.setEndSync(stream, &EndRecorder::onEnd, &ends);
        run.engine.play(stream, true);
        run.pullUntilEnd(stream, 10 * kRate);
        EXPECT_FALSE(run.engine.isActive(stream));
        EXPECT_TRUE(ends.waitFor(1));
    }
}

TEST_F(AudioEngineTest, OnlyRegularFilesAreOpenedAndNoOpenWaits)
{
    const std::string fifo = path("fifo.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directories(path("folder.mp3"));
    fs::create_symlink(path("short.mp3"), path("link.mp3"));
    fs::create_symlink(fifo, path("fifo-link.mp3"));
    // An open that waits for a writer would never return: the opens run on a
    // thread, and a writer comes along if they have not returned in 10 s.
    std::atomic<bool> returned{false};
    StreamHandle fromFifo = 1, fromLink = 1, fromFolder = 1;
    std::thread opener([&] {
        fromFifo = run.engine.openStream(fifo.c_str());
        fromLink = run.engine.openStream(path("fifo-link.mp3").c_str());
        fromFolder = run.engine.openStream(path("folder.mp3").c_str());
        returned = true;
    });
    for (int i = 0; i < 1000 && !returned; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool inTime = returned;
    while (!returned) {
        int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            ::close(writer);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    opener.join();
    EXPECT_TRUE(inTime) << "opening a FIFO waited for a writer";
    EXPECT_EQ(fromFifo, 0u);
    EXPECT_EQ(fromLink, 0u);
    EXPECT_EQ(fromFolder, 0u);
    // A link to a regular file is the file.
    StreamHandle linked = run.engine.openStream(path("link.mp3").c_str());
    ASSERT_NE(linked, 0u);
    EXPECT_TRUE(run.engine.play(linked, true));
    EXPECT_GT(rms(run.pull(4096), 0, 8192), 0.1f);
    for (const char* name : {"fifo.mp3", "folder.mp3", "link.mp3", "fifo-link.mp3"})
        fs::remove(path(name));
}

// Waits until every end event raised so far has been delivered: a later
// stream's end comes in the same pass as any earlier one.
void awaitEarlierEnds(EngineUnderTest& run, const std::string& file)
{
    EndRecorder fence;
    StreamHandle stream = run.engine.openStream(file.c_str());
    ASSERT_NE(stream, 0u);
    run.engine.setEndSync(stream, &EndRecorder::onEnd, &fence);
    run.engine.play(stream, true);
    run.pullUntilEnd(stream, 4 * kRate);
    ASSERT_TRUE(fence.waitFor(1));
    run.engine.freeStream(stream);
}

// Replaces a file in one step, as copying a new version over it does.
void replaceFile(const std::string& from, const std::string& to)
{
    fs::copy_file(from, to + ".new", fs::copy_options::overwrite_existing);
    fs::rename(to + ".new", to);
}

TEST_F(AudioEngineTest, EachPlayFromTheStartReadsTheFileAsItIsNow)
{
    const std::string track = path("changing.mp3");
    replaceFile(path("short.mp3"), track); // 440 Hz, 44100 Hz stereo, 0.5 s
    StreamHandle stream = run.engine.openStream(track.c_str());
    ASSERT_NE(stream, 0u);
    EndRecorder ends;
    float bins[kSpectrumBins];

    // Replaced by a file of another rate and channel count: that file plays,
    // to its end.
    replaceFile(path("mono22050.mp3"), track); // 1000 Hz, 22050 Hz mono, 1 s
    ASSERT_TRUE(run.engine.play(stream, true));
    SyncHandle sync = run.engine.setEndSync(stream, &EndRecorder::onEnd, &ends);
    run.pull(8192);
    ASSERT_TRUE(run.engine.spectrum(stream, bins));
    EXPECT_EQ(peakBin(bins), 12);
    std::vector<float> rest = run.pullUntilEnd(stream, 4 * kRate);
    EXPECT_NEAR(lastAudibleFrame(rest), kRate - 8192 - 1, 2);
    ASSERT_TRUE(ends.waitFor(1));
    EXPECT_EQ(ends.lastSync, sync);

    // Emptied, removed, or cut to its first frame (the encoder's tag, no
    // sound): nothing to play, silent, inactive, and no end event ever.
    std::ifstream whole(path("short.mp3"), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(whole)), {});
    const std::function<void()> spoil[] = {
        [&] { fs::resize_file(track, 0); },
        [&] { fs::remove(track); },
        [&] { std::ofstream(track, std::ios::binary | std::ios::trunc) << bytes.substr(0, 420); },
    };
    for (const auto& change : spoil) {
        change();
        const bool played = run.engine.play(stream, true);
        sync = run.engine.setEndSync(stream, &EndRecorder::onEnd, &ends);
        std::vector<float> out = run.pull(kRate / 2);
        EXPECT_EQ(lastAudibleFrame(out), -1);
        EXPECT_FALSE(run.engine.isActive(stream));
        EXPECT_FALSE(run.engine.spectrum(stream, bins));
        awaitEarlierEnds(run, path("silence.mp3"));
        EXPECT_EQ(ends.current(), 1) << "a play that gave no sound raised an end (play returned " << played << ")";
        run.engine.removeSync(stream, sync);
    }
    // A resume of the stream that gave nothing does not end it either.
    EXPECT_FALSE(run.engine.play(stream, false));
    run.pull(4096);
    awaitEarlierEnds(run, path("silence.mp3"));
    EXPECT_EQ(ends.current(), 1);

    // Back again: it plays from its start, to its end.
    replaceFile(path("short.mp3"), track);
    ASSERT_TRUE(run.engine.play(stream, true));
    run.engine.setEndSync(stream, &EndRecorder::onEnd, &ends);
    std::vector<float> back = run.pullUntilEnd(stream, 4 * kRate);
    EXPECT_NEAR(lastAudibleFrame(back), kRate / 2 - 1, 2);
    EXPECT_EQ(back, playedThrough(path("short.mp3"), int(back.size() / 2)));
    EXPECT_TRUE(ends.waitFor(2));
}

TEST_F(AudioEngineTest, EveryOperationOnNoOrAnUnknownStreamFailsSafely)
{
    StreamHandle real = openAndPlay("short.mp3");
    for (StreamHandle bad : {StreamHandle(0), real + 1, StreamHandle(0xFFFFFFFF)}) {
        EXPECT_FALSE(run.engine.play(bad, true));
        EXPECT_FALSE(run.engine.play(bad, false));
        EXPECT_FALSE(run.engine.stop(bad));
        EXPECT_EQ(run.engine.setEndSync(bad, &EndRecorder::onEnd, nullptr), 0u);
        EXPECT_FALSE(run.engine.removeSync(bad, 1));
        EXPECT_FALSE(run.engine.isActive(bad));
        EXPECT_FALSE(run.engine.freeStream(bad));
    }
    EXPECT_EQ(run.engine.setEndSync(real, nullptr, nullptr), 0u);
    EXPECT_FALSE(run.engine.removeSync(real, 0));
    ASSERT_TRUE(run.engine.freeStream(real));
    EXPECT_FALSE(run.engine.play(real, true)); // freed handles are unknown
    EXPECT_TRUE(run.engine.freeAll());
    EXPECT_FALSE(run.engine.start());
}

TEST(AudioEngineInit, FailsWithTheDevicesReasonWhenNoDeviceOpens)
{
    platform::HeadlessAudioDevice device;
    device.failOpenWith("no sound card here");
    Mp3Engine engine(device);
    EXPECT_FALSE(engine.init());
    EXPECT_STREQ(engine.lastError(), "no sound card here");
    EXPECT_FALSE(engine.start());
    EXPECT_FALSE(engine.stopOutput());
    EXPECT_TRUE(engine.freeAll());
}

TEST_F(AudioEngineTest, OutputPausedByStopOutputKeepsEveryStreamsPlace)
{
    std::vector<float> reference = playedThrough(path("sweep.mp3"), 4096);
    StreamHandle stream = openAndPlay("sweep.mp3");
    std::vector<float> first = run.pull(2048);
    ASSERT_TRUE(run.engine.stopOutput());
    EXPECT_EQ(lastAudibleFrame(run.pull(2048)), -1);
    EXPECT_TRUE(run.engine.isActive(stream));
    ASSERT_TRUE(run.engine.start());
    std::vector<float> second = run.pull(2048);
    first.insert(first.end(), second.begin(), second.end());
    EXPECT_EQ(first, reference);
}

// Whatever the callback does, freeAll returns only after it has finished.
TEST_F(AudioEngineTest, FreeAllWaitsForAnEndCallbackInFlight)
{
    struct Slow {
        Mp3Engine* engine;
        std::atomic<bool> entered{false}, finished{false};
        static void onEnd(SyncHandle, StreamHandle stream, void* user)
        {
            auto* self = static_cast<Slow*>(user);
            self->entered = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            self->engine->play(stream, true); // calls back in: must not deadlock
            self->finished = true;
        }
    } slow{&run.engine};
    StreamHandle stream = openAndPlay("silence.mp3");
    run.engine.setEndSync(stream, &Slow::onEnd, &slow);
    run.pullUntilEnd(stream, 4 * kRate);
    while (!slow.entered)
        std::this_thread::yield();
    ASSERT_TRUE(run.engine.freeAll());
    EXPECT_TRUE(slow.finished);
}

// The device thread pulls without pause while this thread plays, stops,
// restarts and frees streams and the end events call back into the engine.
TEST_F(AudioEngineTest, StaysConsistentWhileTheDeviceThreadMixesAndEventsFire)
{
    struct Looper {
        Mp3Engine* engine;
        std::atomic<int> ends{0};
        static void onEnd(SyncHandle, StreamHandle stream, void* user)
        {
            auto* self = static_cast<Looper*>(user);
            ++self->ends;
            self->engine->play(stream, true);
            self->engine->setEndSync(stream, &Looper::onEnd, self);
        }
    } looper{&run.engine};
    std::atomic<bool> done{false};
    std::thread device([&] {
        std::vector<float> buffer(size_t(platform::kDeviceBufferFrames) * 2);
        while (!done)
            run.device.pull(buffer.data(), platform::kDeviceBufferFrames);
    });

    std::vector<StreamHandle> streams;
    for (const char* name : {"silence.mp3", "short.mp3", "mono22050.mp3", "stereo48000.mp3"}) {
        streams.push_back(openAndPlay(name));
        run.engine.setEndSync(streams.back(), &Looper::onEnd, &looper);
    }
    float bins[kSpectrumBins];
    for (int i = 0; i < 300; ++i) {
        StreamHandle s = streams[size_t(i) % streams.size()];
        switch (i % 6) {
        case 0: run.engine.stop(s); break;
        case 1: run.engine.play(s, false); break;
        case 2: run.engine.play(s, true); break;
        case 3: run.engine.spectrum(s, bins); break;
        case 4: run.engine.setVolume(uint32_t(i * 37) % kMaxVolume); break;
        case 5: run.engine.isActive(s); break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (StreamHandle s : streams)
        run.engine.play(s, true);
    while (looper.ends < 8)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(run.engine.freeStream(streams[0]));
    EXPECT_TRUE(run.engine.freeAll()); // while the device thread still pulls
    done = true;
    device.join();
}

} // namespace
