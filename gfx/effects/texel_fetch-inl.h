// Texels read at vector lanes' indices, for a file compiled once per vector
// target (hwy/foreach_target.h): with the processor's gather where it has
// one, else one load at a time straight into the view, which is what an
// emulated gather does less a copy through a vector.
#if defined(Q2_TEXEL_FETCH_INL_H) == defined(HWY_TARGET_TOGGLE)
#ifdef Q2_TEXEL_FETCH_INL_H
#undef Q2_TEXEL_FETCH_INL_H
#else
#define Q2_TEXEL_FETCH_INL_H
#endif

#include <hwy/highway.h>

#include <cstdint>

HWY_BEFORE_NAMESPACE();
namespace q2_texels {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

#if (HWY_ARCH_X86 && HWY_TARGET <= HWY_AVX2) || (HWY_ARCH_ARM_A64 && HWY_TARGET != HWY_NEON)
constexpr bool kHasGather = true;
#else
constexpr bool kHasGather = false;
#endif

// out[i] = texels[index lane i].
template <class D>
HWY_INLINE void storeTexels(D d, const uint32_t* texels, hn::Vec<D> index, uint32_t* out)
{
    const int32_t* table = reinterpret_cast<const int32_t*>(texels);
    if constexpr (kHasGather) {
        hn::StoreU(hn::GatherIndex(d, table, index), d, reinterpret_cast<int32_t*>(out));
    } else {
        HWY_ALIGN int32_t lanes[hn::MaxLanes(d)];
        hn::Store(index, d, lanes);
#pragma GCC unroll 16
        for (size_t i = 0; i < hn::Lanes(d); ++i)
            out[i] = texels[lanes[i]];
    }
}

// out[4i + k] = texels[lane i of index k], for k = 0..3.
template <class D, class V = hn::Vec<D>>
HWY_INLINE void storeTexelQuads(D d, const uint32_t* texels, V index0, V index1, V index2, V index3, uint32_t* out)
{
    const int32_t* table = reinterpret_cast<const int32_t*>(texels);
    if constexpr (kHasGather) {
        hn::StoreInterleaved4(hn::GatherIndex(d, table, index0), hn::GatherIndex(d, table, index1),
                              hn::GatherIndex(d, table, index2), hn::GatherIndex(d, table, index3), d,
                              reinterpret_cast<int32_t*>(out));
    } else {
        HWY_ALIGN int32_t lanes[4][hn::MaxLanes(d)];
        hn::Store(index0, d, lanes[0]);
        hn::Store(index1, d, lanes[1]);
        hn::Store(index2, d, lanes[2]);
        hn::Store(index3, d, lanes[3]);
#pragma GCC unroll 16
        for (size_t i = 0; i < hn::Lanes(d); ++i)
#pragma GCC unroll 4
            for (size_t k = 0; k < 4; ++k)
                out[4 * i + k] = texels[lanes[k][i]];
    }
}

} // namespace HWY_NAMESPACE
} // namespace q2_texels
HWY_AFTER_NAMESPACE();

#endif
