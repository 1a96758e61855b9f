// A small deterministic random generator (PCG32). The standard library's
// distributions differ between implementations; the tracks must not.
#pragma once

#include <cstdint>

namespace trackgen {

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(0), increment_((seed << 1u) | 1u)
    {
        next();
        state_ += seed * 0x9E3779B97F4A7C15ull;
        next();
    }

    uint32_t next()
    {
        const uint64_t old = state_;
        state_ = old * 6364136223846793005ull + increment_;
        const uint32_t xorShifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
        const uint32_t rotation = static_cast<uint32_t>(old >> 59u);
        return (xorShifted >> rotation) | (xorShifted << ((32u - rotation) & 31u));
    }

    // 0 .. n-1 (n > 0).
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }
    // [0, 1)
    float unit() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); }
    // [-1, 1)
    float signedUnit() { return unit() * 2.0f - 1.0f; }
    bool chance(float p) { return unit() < p; }

private:
    uint64_t state_;
    uint64_t increment_;
};

} // namespace trackgen
