// The decoder thread's pass: takes the main thread's requests, opens and
// primes what starts over, and decodes every playing stream ahead into its
// ring. The only lock it takes is held to move requests, never over I/O.
#include "audio/mp3_engine.h"

#include "audio/stream_control.h"

#include <algorithm>

namespace {

// Frames decoded into a ring at a time: small enough that a new play waits
// little behind the others, large enough that a pass is not all overhead.
constexpr uint32_t kDecodeChunkFrames = 2048;

} // namespace

bool Mp3Engine::decodePass(void* self)
{
    auto* engine = static_cast<Mp3Engine*>(self);
    bool more = false;
    for (Slot& slot : engine->slots_) {
        const uint64_t word = slot.control.load(std::memory_order_acquire);
        const uint32_t epoch = stream_control::epoch(word);
        if (epoch != slot.decoding.seenEpoch)
            engine->takeRequests(slot, epoch);
        if (!stream_control::playing(word))
            continue;
        if (slot.decoding.servedEpoch != epoch)
            engine->beginPlay(slot, epoch);
        more = engine->decodeAhead(slot, epoch) || more;
    }
    return more;
}

void Mp3Engine::takeRequests(Slot& slot, uint32_t epoch)
{
    Decoding& decoding = slot.decoding;
    std::unique_ptr<Mp3Stream> released, replaced; // closed after the lock is released
    {
        std::lock_guard lock(control_);
        Request& request = slot.request;
        if (request.release) {
            released = std::move(decoding.stream);
            request.release = false;
        }
        if (request.opened) {
            replaced = std::move(decoding.stream);
            decoding.stream = std::move(request.opened);
            decoding.reopen = false;
        }
        if (request.reopen) {
            decoding.reopen = true;
            request.reopen = false;
        }
        decoding.path = request.path;
    }
    decoding.seenEpoch = epoch;
}

// A new play of the stream: from the file as it is now when it starts over
// (the disk work the main thread no longer does), else from the stream that
// openStream opened.
void Mp3Engine::beginPlay(Slot& slot, uint32_t epoch)
{
    Decoding& decoding = slot.decoding;
    if (decoding.reopen || !decoding.stream) {
        decoding.reopen = false;
        decoding.stream.reset(); // one open file per stream at a time
        decoding.stream = openMp3Stream(decoding.path.c_str());
        if (decoding.stream)
            slot.lengthUs.store(mp3StreamLengthMicroseconds(*decoding.stream), std::memory_order_relaxed);
    }
    decoding.servedEpoch = epoch;
    decoding.produced = 0;
    decoding.ended = false;
    slot.ring.beginEpoch(epoch);
    if (!decoding.stream) // missing, emptied, not MP3: nothing to play
        endPlay(slot, epoch);
}

// Decodes one chunk into the ring if it has room; true when more would fit.
bool Mp3Engine::decodeAhead(Slot& slot, uint32_t epoch)
{
    Decoding& decoding = slot.decoding;
    if (decoding.ended)
        return false;
    uint32_t room = 0;
    float* at = slot.ring.writeSpan(room);
    if (room == 0)
        return false;
    const int wanted = int(std::min(room, kDecodeChunkFrames));
    const int got = renderMp3Stream(*decoding.stream, at, wanted);
    slot.ring.commit(uint32_t(got));
    decoding.produced += got;
    if (got < wanted) {
        endPlay(slot, epoch);
        return false;
    }
    return true;
}

// The decoder has given its last sample for this play. A play that gave
// none at all (the file emptied or cut before its first frame) has not
// really played, so it cannot end either: it stops here, silent, with no
// event, rather than one end after another.
void Mp3Engine::endPlay(Slot& slot, uint32_t epoch)
{
    Decoding& decoding = slot.decoding;
    decoding.ended = true;
    const bool sounded = decoding.produced > 0;
    if (!sounded)
        slot.emptyEpoch.store(epoch, std::memory_order_relaxed);
    slot.ring.endEpoch(epoch);
    if (sounded)
        return; // the callback ends it once it has handed the last sample over
    update(slot, [epoch](uint64_t word) {
        return stream_control::epoch(word) == epoch && !stream_control::finished(word)
                   ? stream_control::ended(word, false)
                   : word;
    });
}
