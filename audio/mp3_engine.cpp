// The operations the player calls, on the main thread (and on the event
// thread, from end callbacks). None reads the disk but openStream: starting
// a stream over only posts a request for the decoder thread.
#include "audio/mp3_engine.h"

#include "audio/stream_control.h"

#include <utility>

namespace {

template <typename T>
T nextNonZero(T& counter)
{
    T value = counter++;
    if (counter == 0)
        counter = 1;
    return value;
}

} // namespace

Mp3Engine::Mp3Engine(platform::AudioDevice& device) : device_(device) {}

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
    decoder_.start(&Mp3Engine::decodePass, this);
    events_.start(&Mp3Engine::collectEnds, this);
    initialised_ = true;
    error_.clear();
    return true;
}

StreamHandle Mp3Engine::openStream(const char* path)
{
    // Opening reads from the disk: done before taking the lock others need.
    std::unique_ptr<Mp3Stream> stream = openMp3Stream(path);
    if (!stream)
        return 0;
    const int64_t length = mp3StreamLengthMicroseconds(*stream);
    std::unique_ptr<Mp3Stream> dropped; // closed after the lock is released
    std::lock_guard lock(control_);
    for (Slot& slot : slots_) {
        if (slot.handle.load(std::memory_order_relaxed) != 0)
            continue;
        dropped = std::move(slot.request.opened);
        slot.request.path = stream->path;
        slot.request.opened = std::move(stream);
        slot.request.reopen = false;
        slot.request.syncs = {};
        slot.lengthUs.store(length, std::memory_order_relaxed);
        slot.playedFrames.store(0, std::memory_order_relaxed);
        // A new epoch, not playing: its first play uses the stream just
        // opened (the decoder takes it when that play comes).
        update(slot, [](uint64_t word) { return stream_control::nextPlay(word, false); });
        const StreamHandle handle = nextNonZero(nextHandle_);
        slot.handle.store(handle, std::memory_order_release);
        return handle;
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
    bool resumable = true;
    {
        std::lock_guard lock(control_);
        Slot* slot = find(handle);
        if (slot == nullptr)
            return false;
        // Its ring is made when it first plays: most of the start-up's
        // streams never do. Published to the other threads by the playing
        // bit set below.
        slot->ring.allocate();
        const uint64_t word = slot->control.load(std::memory_order_acquire);
        // A stream that has played to its end has nothing left to continue:
        // playing it again starts it over rather than ending it at once.
        if (!restart && !stream_control::finished(word)) {
            update(*slot, [](uint64_t w) { return w | stream_control::kPlaying; });
        } else {
            resumable = restart || slot->emptyEpoch.load(std::memory_order_relaxed) != stream_control::epoch(word);
            // Starting over reads the file afresh, as it is now (it may have
            // been replaced, emptied or removed since): the decoder's work.
            slot->request.reopen = true;
            update(*slot, [](uint64_t w) { return stream_control::nextPlay(w, true); });
        }
    }
    decoder_.wake();
    // A device pulled by its caller (a test) gets the engine in lock-step:
    // the play has begun, or found nothing to play, when this returns.
    if (!device_.clocked())
        decoder_.awaitWholePass();
    return resumable;
}

bool Mp3Engine::stop(StreamHandle handle)
{
    std::lock_guard lock(control_);
    Slot* slot = find(handle);
    if (slot == nullptr)
        return false;
    update(*slot, [](uint64_t word) { return word & ~stream_control::kPlaying; });
    return true;
}

SyncHandle Mp3Engine::setEndSync(StreamHandle handle, EndCallback callback, void* user)
{
    if (callback == nullptr)
        return 0;
    std::lock_guard lock(control_);
    Slot* slot = find(handle);
    if (slot == nullptr)
        return 0;
    for (EndSync& sync : slot->request.syncs) {
        if (sync.id == 0) {
            const uint32_t ends = stream_control::ends(slot->control.load(std::memory_order_acquire));
            sync = EndSync{nextNonZero(nextSync_), callback, user, ends};
            return sync.id;
        }
    }
    return 0;
}

bool Mp3Engine::removeSync(StreamHandle handle, SyncHandle id)
{
    if (id == 0)
        return false;
    std::lock_guard lock(control_);
    Slot* slot = find(handle);
    if (slot == nullptr)
        return false;
    for (EndSync& sync : slot->request.syncs) {
        if (sync.id == id) {
            sync = EndSync{};
            return true;
        }
    }
    return false;
}

bool Mp3Engine::spectrum(StreamHandle handle, float out[kSpectrumBins])
{
    Slot* slot = find(handle);
    if (slot == nullptr || out == nullptr || !stream_control::playing(slot->control.load(std::memory_order_acquire)))
        return false;
    std::array<float, kSpectrumWindow> samples;
    slot->history.copy(samples.data());
    std::lock_guard lock(spectrumMutex_);
    analyser_.analyse(samples.data(), out);
    return true;
}

bool Mp3Engine::isActive(StreamHandle handle)
{
    const Slot* slot = find(handle);
    return slot != nullptr && stream_control::playing(slot->control.load(std::memory_order_acquire));
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
    std::unique_ptr<Mp3Stream> dropped; // closed after the lock is released
    {
        std::lock_guard lock(control_);
        Slot* slot = find(handle);
        if (slot == nullptr)
            return false;
        slot->handle.store(0, std::memory_order_release);
        dropped = std::move(slot->request.opened);
        slot->request.syncs = {};
        slot->request.release = true;
        // A new epoch that does not play: the callback lets go of the ring.
        update(*slot, [](uint64_t word) { return stream_control::nextPlay(word, false); });
    }
    decoder_.wake();
    return true;
}

bool Mp3Engine::freeAll()
{
    // From inside an end callback this would wait for itself.
    if (events_.isCurrentThread())
        return false;
    // None of these waits while holding the lock that the end callbacks
    // (which may call back into the engine) and the decoder need.
    device_.close();
    events_.stop();
    decoder_.stop();
    std::array<std::unique_ptr<Mp3Stream>, kMaxStreams * 2> dropped;
    {
        std::lock_guard lock(control_);
        for (size_t i = 0; i < slots_.size(); ++i) {
            Slot& slot = slots_[i];
            slot.handle.store(0, std::memory_order_release);
            slot.request.syncs = {};
            slot.request.release = false;
            dropped[2 * i] = std::move(slot.request.opened);
            // The decoder has stopped: its part is free to take.
            dropped[2 * i + 1] = std::move(slot.decoding.stream);
            update(slot, [](uint64_t word) { return stream_control::nextPlay(word, false); });
        }
    }
    initialised_ = false;
    return true;
}

AudioOutputStats Mp3Engine::outputStats() const
{
    return AudioOutputStats{callbacks_.load(std::memory_order_relaxed), ranDry_.load(std::memory_order_relaxed),
                            longestCallbackNs_.load(std::memory_order_relaxed)};
}

// Lock-free, so the frame's own calls (isActive, spectrum) never wait; a
// handle freed meanwhile is found or not, either is a fair answer.
Mp3Engine::Slot* Mp3Engine::find(StreamHandle handle)
{
    if (handle == 0)
        return nullptr;
    for (Slot& slot : slots_)
        if (slot.handle.load(std::memory_order_acquire) == handle)
            return &slot;
    return nullptr;
}

// Runs on the event thread: takes the due events and clears them, so each
// fires once and a removal after this point finds nothing.
int Mp3Engine::collectEnds(void* self, PendingEnd* out, int max)
{
    auto* engine = static_cast<Mp3Engine*>(self);
    std::lock_guard lock(engine->control_);
    int count = 0;
    for (Slot& slot : engine->slots_) {
        const uint32_t ends = stream_control::ends(slot.control.load(std::memory_order_acquire));
        for (EndSync& sync : slot.request.syncs) {
            if (sync.id == 0 || sync.endsWhenSet == ends)
                continue;
            if (count == max)
                return count;
            out[count++] = PendingEnd{sync.id, slot.handle.load(std::memory_order_relaxed), sync.callback, sync.user};
            sync = EndSync{};
        }
    }
    return count;
}
