// Runs a check once for every vector target compiled into the program that
// this processor can run, forcing dispatch to it, and says which targets ran
// and which the processor lacks, so a target the machine cannot test is
// reported rather than skipped in silence.
#pragma once

#include "gfx/simd_target.h"

#include <cstdio>

template <typename Check>
void forEachTarget(Check&& check)
{
    for (const simd::Target& target : simd::compiledTargets()) {
        if (!target.supported) {
            std::printf("[ target   ] %s: not run, this processor lacks it\n", target.name);
            continue;
        }
        simd::forceTarget(target.bits);
        std::printf("[ target   ] %s\n", target.name);
        check(target);
    }
    simd::forceTarget(0);
}
