// The hand-over between the decoder thread and the device's callback: the
// ring itself, and the real engine pulled as a sound card pulls, without
// waiting for the decoder (a clocked device), so dropouts and late starts
// happen for real.
#include "audio/sample_ring.h"
#include "support/engine_harness.h"
#include "support/mp3_maker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace testmp3;

namespace {

// Writes `count` frames numbered from `first` (both channels the number).
uint32_t writeNumbered(SampleRing& ring, uint32_t first, uint32_t count)
{
    uint32_t done = 0;
    while (done < count) {
        uint32_t room = 0;
        float* at = ring.writeSpan(room);
        room = std::min(room, count - done);
        if (room == 0)
            break;
        for (uint32_t i = 0; i < room; ++i)
            at[2 * i] = at[2 * i + 1] = float(first + done + i);
        ring.commit(room);
        done += room;
    }
    return done;
}

std::vector<float> readAll(SampleRing& ring, uint32_t most, bool& last)
{
    const uint32_t count = std::min(ring.readable(last), most);
    std::vector<float> frames;
    for (uint32_t done = 0; done < count;) {
        const float* at = nullptr;
        const uint32_t run = ring.readSpan(done, count - done, at);
        for (uint32_t i = 0; i < run; ++i)
            frames.push_back(at[2 * i]);
        done += run;
    }
    ring.consume(count);
    return frames;
}

TEST(SampleRing, WrapsKeepsPlaysApartAndMarksTheEnd)
{
    SampleRing ring;
    ring.allocate();
    bool changed = false, last = false;
    EXPECT_FALSE(ring.follow(1, changed)) << "a play the writer has not begun";

    // Three times round the buffer in uneven pieces, never more than fits.
    ring.beginEpoch(1);
    ASSERT_TRUE(ring.follow(1, changed));
    EXPECT_TRUE(changed);
    uint32_t written = 0, read = 0;
    while (read < 3 * SampleRing::kFrames) {
        written += writeNumbered(ring, written, 5000);
        ASSERT_LE(written - read, SampleRing::kFrames) << "the writer overran the reader";
        for (float value : readAll(ring, 3001, last))
            ASSERT_EQ(value, float(read++));
        EXPECT_FALSE(last);
    }

    // Started over before the old play was read out: the reader of the old
    // play never takes the new one's frames, and the new one begins at its
    // own first frame.
    ring.beginEpoch(2);
    writeNumbered(ring, 1000000, 100);
    std::vector<float> rest = readAll(ring, SampleRing::kFrames, last);
    EXPECT_EQ(rest.size(), written - read);
    EXPECT_FALSE(last);
    ASSERT_TRUE(ring.follow(2, changed));
    EXPECT_TRUE(changed);
    ring.endEpoch(2);
    std::vector<float> second = readAll(ring, 60, last);
    ASSERT_EQ(second.size(), 60u);
    EXPECT_EQ(second.front(), 1000000.0f);
    // The end: the last 40 frames, flagged as all there is, then nothing.
    second = readAll(ring, 1024, last);
    EXPECT_EQ(second.size(), 40u);
    EXPECT_EQ(second.back(), 1000099.0f);
    EXPECT_TRUE(last);
    EXPECT_EQ(readAll(ring, 1024, last).size(), 0u);
    EXPECT_TRUE(last);

    // A play that was begun and started over again before any of it was
    // read is skipped whole.
    ring.beginEpoch(3);
    writeNumbered(ring, 2000000, 10);
    ring.beginEpoch(4);
    writeNumbered(ring, 3000000, 10);
    ASSERT_TRUE(ring.follow(4, changed));
    EXPECT_EQ(readAll(ring, 1024, last).front(), 3000000.0f);
}

class ClockedEngine : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = fs::path(testing::TempDir()) / ("q2-ring-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        // Longer than the ring, in both formats the tracks come in.
        ASSERT_TRUE(writeMp3(path("sweep.mp3"), tone(44100, 2, 1.5, 200, 0.5f, 4000)));
        ASSERT_TRUE(writeMp3(path("mono.mp3"), tone(22050, 1, 1.2, 300, 0.5f, 3000), 64));
        ASSERT_TRUE(writeMp3(path("fence.mp3"), silence(44100, 2, 0.05)));
    }
    static void TearDownTestSuite() { fs::remove_all(dir); }
    static std::string path(const char* name) { return (dir / name).string(); }

    void SetUp() override
    {
        run.device.setClocked(true);
        ASSERT_TRUE(run.engine.init());
        run.engine.start();
    }

    // The whole track as the lock-stepped engine plays it.
    static std::vector<float> reference(const std::string& file)
    {
        EngineUnderTest lockStep;
        lockStep.engine.init();
        lockStep.engine.start();
        const StreamHandle stream = lockStep.engine.openStream(file.c_str());
        lockStep.engine.play(stream, true);
        return lockStep.pullUntilEnd(stream, 10 * 44100);
    }

    // Device buffers pulled back to back, much faster than a sound card
    // would, until the stream ends (or a generous limit of pulls).
    std::vector<std::vector<float>> pullTightly(StreamHandle stream, int limit = 2000000)
    {
        std::vector<std::vector<float>> pulls;
        for (int i = 0; i < limit && run.engine.isActive(stream); ++i)
            pulls.push_back(run.pull(platform::kDeviceBufferFrames));
        return pulls;
    }

    static inline fs::path dir;
    EngineUnderTest run;
};

bool silentFrame(const float* frame)
{
    return frame[0] == 0.0f && frame[1] == 0.0f;
}

// The sound with the silence a late decoder left removed.
std::vector<float> heard(const std::vector<std::vector<float>>& pulls)
{
    std::vector<float> sound;
    for (const std::vector<float>& pull : pulls)
        for (size_t i = 0; i < pull.size(); i += 2)
            if (!silentFrame(&pull[i]))
                sound.insert(sound.end(), {pull[i], pull[i + 1]});
    return sound;
}

std::vector<float> heard(const std::vector<float>& out)
{
    return heard(std::vector<std::vector<float>>{out});
}

// Pulls that ran dry: short of sound at their end while sound came after.
uint64_t dryPulls(const std::vector<std::vector<float>>& pulls)
{
    size_t lastSounding = 0;
    for (size_t p = 0; p < pulls.size(); ++p)
        if (!heard(pulls[p]).empty())
            lastSounding = p;
    uint64_t dry = 0;
    bool begun = false;
    for (size_t p = 0; p < lastSounding; ++p) {
        begun = begun || !heard(pulls[p]).empty();
        dry += begun && silentFrame(&pulls[p][pulls[p].size() - 2]);
    }
    return dry;
}

// Waits until every end event raised so far has been delivered.
void awaitEarlierEnds(EngineUnderTest& run, const std::string& fence)
{
    EndRecorder fenceEnded;
    const StreamHandle stream = run.engine.openStream(fence.c_str());
    run.engine.setEndSync(stream, &EndRecorder::onEnd, &fenceEnded);
    run.engine.play(stream, true);
    while (run.engine.isActive(stream))
        run.pull(platform::kDeviceBufferFrames);
    ASSERT_TRUE(fenceEnded.waitFor(1));
    run.engine.freeStream(stream);
}

// A callback that never waits meets a decoder that is still opening, or
// behind: it hands over silence then, and every frame of the track still
// arrives, in order, once; each dropout is counted; a restart of the playing
// stream begins at its first frame; and the end comes once, with its event.
TEST_F(ClockedEngine, EveryFrameArrivesOnceInOrderThroughLateStartsDropoutsAndRestarts)
{
    for (const char* name : {"sweep.mp3", "mono.mp3"}) {
        SCOPED_TRACE(name);
        const std::vector<float> whole = heard(reference(path(name)));
        ASSERT_GT(whole.size(), size_t(SampleRing::kFrames) * 2);
        const StreamHandle stream = run.engine.openStream(path(name).c_str());
        EndRecorder ends;
        const SyncHandle sync = run.engine.setEndSync(stream, &EndRecorder::onEnd, &ends);

        // Played, then started over while it plays: the first play's sound
        // is the track's beginning, and after the restart the whole track.
        ASSERT_TRUE(run.engine.play(stream, true));
        std::vector<std::vector<float>> first;
        for (int i = 0; i < 1000000 && (first.size() < 8 || heard(first.back()).empty()); ++i)
            first.push_back(run.pull(platform::kDeviceBufferFrames));
        const std::vector<float> begun = heard(first);
        ASSERT_LT(begun.size(), whole.size());
        EXPECT_TRUE(std::equal(begun.begin(), begun.end(), whole.begin()));

        const uint64_t dryBefore = run.engine.outputStats().ranDry;
        ASSERT_TRUE(run.engine.play(stream, true));
        const std::vector<std::vector<float>> pulls = pullTightly(stream);
        EXPECT_EQ(heard(pulls), whole);
        EXPECT_EQ(run.engine.outputStats().ranDry - dryBefore, dryPulls(pulls));
        EXPECT_FALSE(run.engine.isActive(stream));

        awaitEarlierEnds(run, path("fence.mp3"));
        EXPECT_EQ(ends.current(), 1);
        EXPECT_EQ(ends.lastSync, sync);
        run.engine.freeStream(stream);
    }
}

// A play whose file is gone is found out on the decoder thread: the stream
// goes inactive by itself, even with the output paused, and never ends.
TEST_F(ClockedEngine, APlayOfAVanishedFileGoesQuietWithoutAnEnd)
{
    fs::copy_file(path("sweep.mp3"), path("doomed.mp3"), fs::copy_options::overwrite_existing);
    const StreamHandle stream = run.engine.openStream(path("doomed.mp3").c_str());
    ASSERT_NE(stream, 0u);
    EndRecorder ends;
    run.engine.setEndSync(stream, &EndRecorder::onEnd, &ends);
    fs::remove(path("doomed.mp3"));
    run.engine.stopOutput();
    run.engine.play(stream, true);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (run.engine.isActive(stream) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(run.engine.isActive(stream));
    run.engine.start();
    run.pull(4096);
    awaitEarlierEnds(run, path("fence.mp3"));
    EXPECT_EQ(ends.current(), 0);
    EXPECT_FALSE(run.engine.play(stream, false)) << "a resume of a play that gave nothing";
}

} // namespace
