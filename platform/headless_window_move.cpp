#include "platform/headless_window_move.h"

namespace platform {

PointerSample HeadlessWindowMover::sample()
{
    if (!script.empty()) {
        last = script.front();
        script.pop_front();
    }
    return last;
}

void HeadlessWindowMover::moveTo(int32_t x, int32_t y)
{
    log.push_back("move " + std::to_string(x) + " " + std::to_string(y));
}

void HeadlessWindowMover::handOver(int32_t x, int32_t y)
{
    log.push_back("hand over " + std::to_string(x) + " " + std::to_string(y));
}

void HeadlessWindowMover::callOffMove() { log.push_back("call off"); }

void HeadlessWindowMover::finished(bool releaseSeen) { log.push_back(releaseSeen ? "finished seen" : "finished kept"); }

} // namespace platform
