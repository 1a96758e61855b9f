// A desktop without a screen for drags, for tests: hands out a script of
// looks at the pointer, one per pass, and records what it is asked to do.
#pragma once

#include "platform/window_move.h"

#include <deque>
#include <string>
#include <vector>

namespace platform {

class HeadlessWindowMover : public WindowMover {
public:
    bool manager = false;
    // One sample per call; when the script runs dry the last one repeats.
    std::deque<PointerSample> script;
    // "begin", "move x y", "hand over x y", "call off", "finished seen" /
    // "finished kept".
    std::vector<std::string> log;

    void begin() override { log.emplace_back("begin"); }
    bool managerMoves() override { return manager; }
    PointerSample sample() override;
    void moveTo(int32_t x, int32_t y) override;
    void handOver(int32_t x, int32_t y) override;
    void callOffMove() override;
    void finished(bool releaseSeen) override;

private:
    PointerSample last;
};

} // namespace platform
