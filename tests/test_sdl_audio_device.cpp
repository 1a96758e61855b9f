// The SDL output under SDL's dummy driver (real audio thread, no sound card)
// and with a driver that cannot open; the keeping of an output through the
// loss of its server, against a stand-in whose outputs pull on threads of
// their own as SDL's do.
#include "audio/mp3_engine.h"
#include "platform/output_keeper.h"
#include "platform/sdl_audio_device.h"
#include "support/engine_harness.h"
#include "support/mp3_maker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

TEST(SdlAudioDevice, InitFailsWithSdlsReasonWhenNoDriverOpens)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    platform::SdlAudioDevice device;
    Mp3Engine engine(device);
    EXPECT_FALSE(engine.init());
    std::string reason = engine.lastError();
    EXPECT_NE(reason.find("no audio"), std::string::npos) << reason;
    EXPECT_GT(reason.size(), std::string("no audio output: ").size()) << reason;
    EXPECT_FALSE(engine.start());
    EXPECT_TRUE(engine.freeAll());
}

TEST(SdlAudioDevice, PlaysToTheEndOnSdlsAudioThread)
{
    std::string file = (std::filesystem::path(testing::TempDir()) / "q2-sdl-tone.mp3").string();
    ASSERT_TRUE(testmp3::writeMp3(file, testmp3::tone(22050, 1, 0.2, 1000, 0.5f)));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    platform::SdlAudioDevice device;
    Mp3Engine engine(device);
    ASSERT_TRUE(engine.init()) << engine.lastError();
    StreamHandle stream = engine.openStream(file.c_str());
    ASSERT_NE(stream, 0u);
    testmp3::EndRecorder ends;
    ASSERT_NE(engine.setEndSync(stream, &testmp3::EndRecorder::onEnd, &ends), 0u);
    ASSERT_TRUE(engine.play(stream, true));
    ASSERT_TRUE(engine.start());
    ASSERT_TRUE(ends.waitFor(1));
    EXPECT_FALSE(engine.isActive(stream));
    EXPECT_NE(ends.thread, std::this_thread::get_id());
    EXPECT_TRUE(engine.freeAll());
    // The device can be opened again after being freed.
    EXPECT_TRUE(engine.init()) << engine.lastError();
    EXPECT_TRUE(engine.freeAll());
    std::filesystem::remove(file);
}

// Outputs of a sound server that can go away: each pulls on its own thread
// while running, and a gone one goes on pulling into nowhere, as SDL's do.
class ServerStandIn : public platform::OutputBackend {
public:
    std::atomic<bool> serverUp{true};
    std::atomic<int> failedOpens{0};
    std::atomic<int> pullingAtOnce{0};
    std::atomic<int> mostPullingAtOnce{0};
    std::atomic<long> pulls{0};

    ~ServerStandIn() override
    {
        for (auto& [id, output] : outputs_)
            stopThread(*output);
    }

    uint32_t openOutput(std::string& whyNot) override
    {
        if (!serverUp) {
            failedOpens += 1;
            whyNot = "Connection refused";
            return 0;
        }
        std::lock_guard lock(mutex_);
        auto output = std::make_unique<Output>();
        Output& o = *output;
        o.thread = std::thread([this, &o] { pullUntilClosed(o); });
        outputs_[++lastId_] = std::move(output);
        return lastId_;
    }
    bool outputAlive(uint32_t id) override { return find(id).alive; }
    void runOutput(uint32_t id, bool run) override
    {
        Output& o = find(id);
        std::lock_guard pulling(o.pulling);
        o.running = run;
        o.told = true;
    }
    void closeOutput(uint32_t id) override
    {
        std::unique_ptr<Output> output;
        {
            std::lock_guard lock(mutex_);
            output = std::move(outputs_.at(id));
            outputs_.erase(id);
        }
        stopThread(*output);
    }

    void goAway()
    {
        serverUp = false;
        std::lock_guard lock(mutex_);
        for (auto& [id, output] : outputs_)
            output->alive = false;
    }
    struct OutputState {
        bool alive;
        bool told;
        bool running;
    };
    std::vector<OutputState> openOutputs()
    {
        std::lock_guard lock(mutex_);
        std::vector<OutputState> states;
        for (auto& [id, output] : outputs_)
            states.push_back({output->alive.load(), output->told.load(), output->running.load()});
        return states;
    }

private:
    struct Output {
        std::mutex pulling; // held through a pull, as SDL holds its device lock
        std::atomic<bool> running{false};
        std::atomic<bool> told{false}; // asked to run or not at least once
        std::atomic<bool> alive{true};
        std::atomic<bool> closing{false};
        std::thread thread;
    };

    Output& find(uint32_t id)
    {
        std::lock_guard lock(mutex_);
        return *outputs_.at(id);
    }
    void pullUntilClosed(Output& o)
    {
        while (!o.closing) {
            {
                std::lock_guard pulling(o.pulling);
                if (o.running) {
                    int now = ++pullingAtOnce;
                    mostPullingAtOnce = std::max(mostPullingAtOnce.load(), now);
                    pulls += 1;
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                    --pullingAtOnce;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    static void stopThread(Output& o)
    {
        o.closing = true;
        if (o.thread.joinable())
            o.thread.join();
    }

    std::mutex mutex_;
    std::map<uint32_t, std::unique_ptr<Output>> outputs_;
    uint32_t lastId_ = 0;
};

template <typename Condition>
bool waitUntil(Condition condition)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool pullsGoOn(ServerStandIn& server)
{
    long before = server.pulls;
    return waitUntil([&] { return server.pulls > before + 5; });
}

TEST(OutputRecovery, ALossIsToldOnceAndRetriedAtOnceThenLessAndLessOften)
{
    platform::OutputRecovery recovery;
    EXPECT_TRUE(platform::noteOutputLost(recovery, 1000));
    EXPECT_FALSE(platform::noteOutputLost(recovery, 1250)) << "a second line for the same loss";
    EXPECT_TRUE(platform::openAttemptDue(recovery, 1000)) << "the first attempt waits";
    std::vector<int> waits;
    uint64_t now = 1000;
    for (int attempt = 0; attempt < 8; ++attempt) {
        platform::noteOpenFailed(recovery, now);
        int wait = platform::msUntilNextCheck(recovery, now, 250);
        EXPECT_FALSE(platform::openAttemptDue(recovery, now + uint64_t(wait) - 1));
        EXPECT_TRUE(platform::openAttemptDue(recovery, now + uint64_t(wait)));
        waits.push_back(wait);
        now += uint64_t(wait);
    }
    EXPECT_EQ(waits, (std::vector<int>{100, 200, 400, 800, 1600, 2000, 2000, 2000}));
    platform::noteOutputBack(recovery);
    EXPECT_FALSE(platform::openAttemptDue(recovery, now + 5000));
    EXPECT_EQ(platform::msUntilNextCheck(recovery, now, 250), 250);
    // The next loss is a loss of its own: told, and tried at once again.
    EXPECT_TRUE(platform::noteOutputLost(recovery, now + 9000));
    EXPECT_TRUE(platform::openAttemptDue(recovery, now + 9000));
}

TEST(OutputKeeper, ALostOutputComesBackAsTheUserLastAskedWithOnePullerAtATime)
{
    ServerStandIn server;
    auto loseAndAwaitFailedOpens = [&] {
        int failedBefore = server.failedOpens;
        server.goAway();
        return waitUntil([&] { return server.failedOpens >= failedBefore + 2; });
    };
    auto comeBack = [&] {
        server.serverUp = true;
        return waitUntil([&] {
            auto open = server.openOutputs();
            return open.size() == 1 && open[0].alive && open[0].told;
        });
    };
    testing::internal::CaptureStderr();
    {
        platform::OutputKeeper keeper(server, 5);
        std::string whyNot;
        ASSERT_TRUE(keeper.open(whyNot)) << whyNot;
        keeper.run(true);
        ASSERT_TRUE(pullsGoOn(server));

        // Lost while playing: playback keeps its pace through the silence
        // and the output that comes back plays.
        ASSERT_TRUE(loseAndAwaitFailedOpens());
        EXPECT_TRUE(pullsGoOn(server));
        ASSERT_TRUE(comeBack());
        EXPECT_TRUE(server.openOutputs()[0].running);
        EXPECT_TRUE(pullsGoOn(server));

        // A pause made while the output is gone is kept by the one that
        // comes back, and a play after it is heard.
        ASSERT_TRUE(loseAndAwaitFailedOpens());
        keeper.run(false);
        ASSERT_TRUE(comeBack());
        EXPECT_FALSE(server.openOutputs()[0].running) << "the pause made while the output was gone is lost";
        keeper.run(true);
        EXPECT_TRUE(pullsGoOn(server));
        keeper.close();
        EXPECT_TRUE(server.openOutputs().empty());
    }
    std::string told = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 2) << "two losses, and it said:\n" << told;
    EXPECT_NE(told.find("sound output went away"), std::string::npos) << told;
    EXPECT_EQ(server.mostPullingAtOnce, 1) << "two outputs pulled at once";
}

} // namespace
