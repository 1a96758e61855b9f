// The vector target the drawing kernels run on: the one place that chooses
// it. Every kernel is compiled once per target the processor family has
// (Highway's dynamic dispatch) and all of them give the same bits; this
// chooses the best the processor runs, or the one a test, a benchmark or the
// QUARVEN2_SIMD environment variable names.
#pragma once

#include <cstdint>
#include <vector>

namespace simd {

struct Target {
    int64_t bits;     // Highway's HWY_* value
    const char* name; // "AVX3", "AVX2", "SSE4", "NEON", "SCALAR" (the plain forms) ...
    bool supported;   // whether this processor can run it
};

// Every target compiled into the program, best first.
std::vector<Target> compiledTargets();

// Restricts dispatch to `target` (one of compiledTargets()); false, with no
// change, when the processor cannot run it. 0 goes back to the best.
bool forceTarget(int64_t target);

// The target dispatch uses now.
Target activeTarget();

// Applies QUARVEN2_SIMD (a target's name, case-insensitive) at start-up; a
// name not compiled in or not runnable here is reported on standard error
// and the best target is kept. True when the variable is unset or honoured.
bool applyTargetFromEnvironment();

} // namespace simd
