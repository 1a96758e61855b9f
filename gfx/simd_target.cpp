#include "gfx/simd_target.h"

#include <hwy/highway.h>
#include <hwy/targets.h>

#include <cstdio>
#include <cstdlib>
#include <strings.h>

namespace simd {

namespace {

bool runnable(int64_t target)
{
    // SupportedTargets() honours a forced mask; ask with none to learn what
    // the processor itself runs, then put the mask back.
    return (hwy::SupportedTargets() & target) != 0;
}

int64_t forcedMask = 0;

} // namespace

std::vector<Target> compiledTargets()
{
    const int64_t forced = forcedMask;
    hwy::SetSupportedTargetsForTest(0);
    std::vector<Target> targets;
    for (int64_t rest = HWY_TARGETS; rest != 0; rest &= rest - 1) {
        const int64_t bit = rest & -rest;
        targets.push_back({bit, hwy::TargetName(bit), runnable(bit)});
    }
    hwy::SetSupportedTargetsForTest(forced);
    return targets; // Highway numbers better targets lower: already best first
}

bool forceTarget(int64_t target)
{
    if (target != 0) {
        hwy::SetSupportedTargetsForTest(0);
        const bool ok = (target & HWY_TARGETS) == target && runnable(target);
        hwy::SetSupportedTargetsForTest(ok ? target : forcedMask);
        if (!ok)
            return false;
    } else {
        hwy::SetSupportedTargetsForTest(0);
    }
    forcedMask = target;
    return true;
}

Target activeTarget()
{
    const int64_t supported = hwy::SupportedTargets() & HWY_TARGETS;
    const int64_t best = supported & -supported;
    return {best, hwy::TargetName(best), true};
}

bool applyTargetFromEnvironment()
{
    const char* wanted = std::getenv("QUARVEN2_SIMD");
    if (wanted == nullptr || *wanted == '\0')
        return true;
    for (const Target& target : compiledTargets()) {
        if (strcasecmp(target.name, wanted) != 0)
            continue;
        if (forceTarget(target.bits))
            return true;
        std::fprintf(stderr, "quarven2: QUARVEN2_SIMD=%s: this processor cannot run it; using %s\n", wanted,
                     activeTarget().name);
        return false;
    }
    std::fprintf(stderr, "quarven2: QUARVEN2_SIMD=%s: no such target in this build; using %s\n", wanted,
                 activeTarget().name);
    return false;
}

} // namespace simd
