// Drives the real engine through the headless device: the test thread pulls
// the mixed output as the device thread would, and waits for end events.
#pragma once

#include "audio/mp3_engine.h"
#include "platform/headless_audio_device.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace testmp3 {

struct EngineUnderTest {
    platform::HeadlessAudioDevice device;
    Mp3Engine engine{device};

    // Pulls `frames` stereo frames in device-sized pieces.
    std::vector<float> pull(int frames)
    {
        std::vector<float> out(size_t(frames) * 2);
        for (int done = 0; done < frames; done += platform::kDeviceBufferFrames) {
            int n = std::min(platform::kDeviceBufferFrames, frames - done);
            device.pull(out.data() + size_t(done) * 2, n);
        }
        return out;
    }

    // Pulls until the stream is no longer active (at most `limit` frames);
    // returns everything pulled.
    std::vector<float> pullUntilEnd(StreamHandle stream, int limit)
    {
        std::vector<float> all;
        for (int done = 0; done < limit && engine.isActive(stream); done += platform::kDeviceBufferFrames) {
            std::vector<float> piece = pull(platform::kDeviceBufferFrames);
            all.insert(all.end(), piece.begin(), piece.end());
        }
        return all;
    }
};

// Counts end events and where they ran.
struct EndRecorder {
    std::mutex mutex;
    std::condition_variable changed;
    int count = 0;
    SyncHandle lastSync = 0;
    StreamHandle lastStream = 0;
    std::thread::id thread;

    static void onEnd(SyncHandle sync, StreamHandle stream, void* user)
    {
        auto* self = static_cast<EndRecorder*>(user);
        std::lock_guard lock(self->mutex);
        ++self->count;
        self->lastSync = sync;
        self->lastStream = stream;
        self->thread = std::this_thread::get_id();
        self->changed.notify_all();
    }

    // Waits for the count to reach `n`; the long limit only guards against a
    // hang, it measures nothing.
    bool waitFor(int n)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return count >= n; });
    }
    int current()
    {
        std::lock_guard lock(mutex);
        return count;
    }
};

} // namespace testmp3
