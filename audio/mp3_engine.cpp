#include "audio/mp3_engine.h"

#include <algorithm>
#include <utility>

namespace {

using platform::kOutputChannels;

constexpr int kMixChunkFrames = 4096;

template <typename T>
T nextNonZero(T& counter)
{
    T value = counter++;
    if (counter == 0)
        counter = 1;
    return value;
}

// Scales and clips the mix. Written in blocks of eight so the compiler turns
// each block into a few vector instructions.
void applyGain(float* samples, int count, float gain)
{
    constexpr int kBlock = 8;
    int i = 0;
    for (; i + kBlock <= count; i += kBlock)
        for (int j = 0; j < kBlock; ++j)
            samples[i + j] = std::min(std::max(samples[i + j] * gain, -1.0f), 1.0f);
    for (; i < count; ++i)
        samples[i] = std::min(std::max(samples[i] * gain, -1.0f), 1.0f);
}

} // namespace

Mp3Engine::Mp3Engine(platform::AudioDevice& device)
    : device_(device), mixBuffer_(size_t(kMixChunkFrames) * kOutputChannels, 0.0f)
{
}

Mp3Engine::~Mp3Engine()
{
    freeAll();
}

bool Mp3Engine::init()
{
    if (initialised_) {
        error_ = "the audio engine is initialised already";
        return false;
    }
    if (!device_.open(&Mp3Engine::pull, this)) {
        error_ = device_.lastError();
        return false;
    }
    events_.start(&Mp3Engine::collectEnds, this);
    initialised_ = true;
    error_.clear();
    return true;
}

StreamHandle Mp3Engine::openStream(const char* path)
{
    // Opening reads from the disk: done before taking the lock the audio
    // thread needs.
    std::unique_ptr<Mp3Stream> stream = openMp3Stream(path);
    if (!stream)
        return 0;
    std::lock_guard lock(mutex_);
    for (Slot& slot : slots_) {
        if (slot.handle == 0) {
            slot = Slot{};
            slot.handle = nextNonZero(nextHandle_);
            slot.stream = std::move(stream);
            return slot.handle;
        }
    }
    return 0;
}

bool Mp3Engine::start()
{
    if (!initialised_)
        return false;
    device_.resume();
    return true;
}

bool Mp3Engine::play(StreamHandle handle, bool restart)
{
    std::string path;
    {
        std::lock_guard lock(mutex_);
        Slot* slot = find(handle);
        if (slot == nullptr)
            return false;
        // A stream that has played to its end has nothing left to continue:
        // playing it again starts it over rather than ending it at once.
        if (!restart && !slot->stream->finished) {
            slot->playing = true;
            slot->framesThisPlay = 0;
            return true;
        }
        path = slot->stream->path;
    }
    // Starting over opens the file afresh, as it is now (it may have been
    // replaced by another, emptied or removed since), and primes the
    // converter: disk work, so done here, outside the lock the audio thread
    // waits for, and the ready stream swapped in.
    std::unique_ptr<Mp3Stream> fresh = openMp3Stream(path.c_str());
    std::unique_ptr<Mp3Stream> replaced; // closed after the lock is released
    std::lock_guard lock(mutex_);
    Slot* slot = find(handle);
    if (slot == nullptr) // freed meanwhile
        return false;
    slot->framesThisPlay = 0;
    if (!fresh) {
        // Nothing to play: silent, and it cannot end. The old stream stays
        // for its path, so a later play tries the file again.
        slot->playing = false;
        return false;
    }
    replaced = std::move(slot->stream);
    slot->stream = std::move(fresh);
    slot->playing = true;
    return true;
}

bool Mp3Engine::stop(StreamHandle handle)
{
    std::lock_guard lock(mutex_);
    Slot* slot = find(handle);
    if (slot == nullptr)
        return false;
    slot->playing = false;
    return true;
}

SyncHandle Mp3Engine::setEndSync(StreamHandle handle, EndCallback callback, void* user)
{
    if (callback == nullptr)
        return 0;
    std::lock_guard lock(mutex_);
    Slot* slot = find(handle);
    if (slot == nullptr)
        return 0;
    for (EndSync& sync : slot->syncs) {
        if (sync.id == 0) {
            sync = EndSync{nextNonZero(nextSync_), callback, user, false};
            return sync.id;
        }
    }
    return 0;
}

bool Mp3Engine::removeSync(StreamHandle handle, SyncHandle id)
{
    if (id == 0)
        return false;
    std::lock_guard lock(mutex_);
    Slot* slot = find(handle);
    if (slot == nullptr)
        return false;
    for (EndSync& sync : slot->syncs) {
        if (sync.id == id) {
            sync = EndSync{};
            return true;
        }
    }
    return false;
}

bool Mp3Engine::spectrum(StreamHandle handle, float out[kSpectrumBins])
{
    std::array<float, kSpectrumWindow> samples;
    {
        std::lock_guard lock(mutex_);
        Slot* slot = find(handle);
        if (slot == nullptr || !slot->playing || out == nullptr)
            return false;
        copySpectrumHistory(*slot->stream, samples.data());
    }
    std::lock_guard lock(spectrumMutex_);
    analyser_.analyse(samples.data(), out);
    return true;
}

bool Mp3Engine::isActive(StreamHandle handle)
{
    std::lock_guard lock(mutex_);
    Slot* slot = find(handle);
    return slot != nullptr && slot->playing;
}

bool Mp3Engine::setVolume(uint32_t volume)
{
    if (volume > kMaxVolume)
        return false;
    gain_ = float(volume) / float(kMaxVolume);
    return true;
}

bool Mp3Engine::stopOutput()
{
    if (!initialised_)
        return false;
    device_.pause();
    return true;
}

bool Mp3Engine::freeStream(StreamHandle handle)
{
    std::unique_ptr<Mp3Stream> freed;
    {
        std::lock_guard lock(mutex_);
        Slot* slot = find(handle);
        if (slot == nullptr)
            return false;
        freed = std::move(slot->stream);
        *slot = Slot{};
    }
    return true; // `freed` closes its file here, outside the lock
}

bool Mp3Engine::freeAll()
{
    // From inside an end callback this would wait for itself.
    if (events_.isCurrentThread())
        return false;
    // Neither waits while holding the lock that the audio callback and the
    // end callbacks (which may call back into the engine) need.
    device_.close();
    events_.stop();
    std::array<Slot, kMaxStreams> freed;
    {
        std::lock_guard lock(mutex_);
        std::swap(freed, slots_);
    }
    initialised_ = false;
    return true;
}

Mp3Engine::Slot* Mp3Engine::find(StreamHandle handle)
{
    if (handle == 0)
        return nullptr;
    for (Slot& slot : slots_)
        if (slot.handle == handle)
            return &slot;
    return nullptr;
}

// Adds one playing stream to `out`; returns the frames it gave, fewer than
// asked when it ended in this buffer.
int Mp3Engine::mixSlot(Slot& slot, float* out, int frames, bool first)
{
    if (first) {
        // The first stream renders straight into the output: with one track
        // playing, mixing costs no extra pass.
        int got = renderMp3Stream(*slot.stream, out, frames);
        std::fill(out + size_t(got) * kOutputChannels, out + size_t(frames) * kOutputChannels, 0.0f);
        return got;
    }
    int done = 0;
    while (done < frames) {
        int want = std::min(frames - done, kMixChunkFrames);
        int got = renderMp3Stream(*slot.stream, mixBuffer_.data(), want);
        float* dest = out + size_t(done) * kOutputChannels;
        for (int i = 0; i < got * kOutputChannels; ++i)
            dest[i] += mixBuffer_[size_t(i)];
        done += got;
        if (got < want)
            break;
    }
    return done;
}

void Mp3Engine::mix(float* out, int frames)
{
    bool endsDue = false;
    bool filled = false;
    {
        std::lock_guard lock(mutex_);
        for (Slot& slot : slots_) {
            if (slot.handle == 0 || !slot.playing)
                continue;
            const int got = mixSlot(slot, out, frames, !filled);
            filled = true;
            slot.framesThisPlay += got;
            if (got == frames)
                continue;
            slot.playing = false;
            // A stream that gave nothing at all since it was played (its file
            // emptied or cut before the first frame) has not really played,
            // so it cannot end either: like a missing file it stays silent
            // and raises no event, rather than one end after another.
            if (slot.framesThisPlay == 0)
                continue;
            // Its last sample is in this buffer: once the buffer is handed
            // to the device, the end event is due.
            for (EndSync& sync : slot.syncs) {
                sync.due = sync.id != 0;
                endsDue = endsDue || sync.due;
            }
        }
    }
    if (!filled)
        std::fill(out, out + size_t(frames) * kOutputChannels, 0.0f);
    applyGain(out, frames * kOutputChannels, gain_);
    if (endsDue)
        events_.notify();
}

void Mp3Engine::pull(void* self, float* out, int frames)
{
    static_cast<Mp3Engine*>(self)->mix(out, frames);
}

// Runs on the event thread: takes the due events and clears them, so each
// fires once and a removal after this point finds nothing.
int Mp3Engine::collectEnds(void* self, PendingEnd* out, int max)
{
    auto* engine = static_cast<Mp3Engine*>(self);
    std::lock_guard lock(engine->mutex_);
    int count = 0;
    for (Slot& slot : engine->slots_) {
        for (EndSync& sync : slot.syncs) {
            if (!sync.due)
                continue;
            if (count == max)
                return count;
            out[count++] = PendingEnd{sync.id, slot.handle, sync.callback, sync.user};
            sync = EndSync{};
        }
    }
    return count;
}
