// How many pixels a vector drawing step takes at once. Steps use the widest
// the processor has; tests name each in turn to compare them with the plain
// per-pixel forms.
#pragma once

enum class Lanes {
    Sse2, // four pixels (or one at a time where there is no SSE2)
    Avx2, // eight pixels
};

inline bool processorHas(Lanes lanes)
{
#if defined(__x86_64__) || defined(__i386__)
    return lanes == Lanes::Sse2 || __builtin_cpu_supports("avx2");
#else
    return lanes == Lanes::Sse2;
#endif
}

inline Lanes widestLanes()
{
    return processorHas(Lanes::Avx2) ? Lanes::Avx2 : Lanes::Sse2;
}
