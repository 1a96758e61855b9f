// The audio callback must never allocate: malloc and friends are wrapped for
// this executable and count the calls made on the pulling thread while it
// mixes. Sanitizers bring their own allocator, so the check runs without them.
#include "support/engine_harness.h"
#include "support/mp3_maker.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define Q2_COUNT_ALLOCATIONS 0
#else
#define Q2_COUNT_ALLOCATIONS 1
#endif

namespace {
thread_local bool counting = false;
thread_local int allocations = 0;
} // namespace

#if Q2_COUNT_ALLOCATIONS
extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);

void* malloc(size_t size)
{
    allocations += counting;
    return __libc_malloc(size);
}
void* calloc(size_t count, size_t size)
{
    allocations += counting;
    return __libc_calloc(count, size);
}
void* realloc(void* pointer, size_t size)
{
    allocations += counting;
    return __libc_realloc(pointer, size);
}
void* memalign(size_t alignment, size_t size)
{
    allocations += counting;
    return __libc_memalign(alignment, size);
}
}
#endif

namespace {

TEST(AudioCallback, MixesDecodesConvertsAndEndsWithoutAllocating)
{
    if (!Q2_COUNT_ALLOCATIONS)
        GTEST_SKIP() << "allocations are not counted under a sanitizer";
    namespace fs = std::filesystem;
    fs::path dir = fs::path(testing::TempDir()) / "q2-no-alloc";
    fs::create_directories(dir);
    std::vector<std::string> files;
    // Every kind of conversion, the lowest rate putting the most per chunk.
    const testmp3::Pcm sources[] = {testmp3::tone(44100, 2, 0.5, 440, 0.3f), testmp3::tone(22050, 1, 0.7, 440, 0.3f),
                                    testmp3::tone(48000, 2, 0.6, 440, 0.3f), testmp3::tone(8000, 1, 0.4, 440, 0.3f),
                                    testmp3::tone(32000, 2, 0.3, 440, 0.3f)};
    for (const testmp3::Pcm& pcm : sources) {
        files.push_back((dir / ("tone" + std::to_string(files.size()) + ".mp3")).string());
        ASSERT_TRUE(testmp3::writeMp3(files.back(), pcm, pcm.rate < 16000 ? 32 : 96, files.size() == 1));
    }

    testmp3::EngineUnderTest run;
    ASSERT_TRUE(run.engine.init());
    run.engine.start();
    testmp3::EndRecorder ends;
    std::vector<StreamHandle> streams;
    for (const std::string& file : files) {
        streams.push_back(run.engine.openStream(file.c_str()));
        ASSERT_NE(streams.back(), 0u);
        run.engine.setEndSync(streams.back(), &testmp3::EndRecorder::onEnd, &ends);
        run.engine.play(streams.back(), true);
    }
    std::vector<float> buffer(size_t(platform::kDeviceBufferFrames) * 2);
    auto pullCounted = [&](int buffers) {
        counting = true;
        for (int i = 0; i < buffers; ++i)
            run.device.pull(buffer.data(), platform::kDeviceBufferFrames);
        counting = false;
    };
    pullCounted(8);
    run.engine.stop(streams[1]);
    pullCounted(4);
    run.engine.play(streams[1], false);
    pullCounted(40); // past the end of every stream
    EXPECT_EQ(allocations, 0);
    EXPECT_TRUE(ends.waitFor(int(files.size())));
    run.engine.freeAll();
    fs::remove_all(dir);
}

} // namespace
