// The loop's rest without waiting, for tests: each rest is recorded and
// returns at once (after `onRest`, where a test lets time pass or makes
// something happen), wakes are counted, and a quit signal is whatever the
// test sets.
#pragma once

#include "platform/loop_rest.h"

#include <atomic>
#include <functional>
#include <vector>

namespace platform {

class HeadlessRest : public LoopRest {
public:
    std::vector<uint32_t> rests; // the longest wait of each rest, in milliseconds
    std::atomic<int> wakes{0};
    std::atomic<bool> quit{false};
    std::function<void(uint32_t milliseconds)> onRest;

    void wake() override { wakes.fetch_add(1); }
    void rest(uint32_t milliseconds, const int*, int) override
    {
        rests.push_back(milliseconds);
        if (onRest)
            onRest(milliseconds);
    }
    bool quitSignalled() override { return quit.load(); }
};

} // namespace platform
