// The two frame buffers' geometry and the per-channel blend every drawing
// step shares.
#pragma once

#include <cstdint>

constexpr int kViewWidth = 320;
constexpr int kViewHeight = 240;
constexpr int kWindowWidth = 337;
constexpr int kWindowHeight = 443;
constexpr int kViewLeft = 8; // where the view lies in the window surface
constexpr int kViewTop = 150;

// t + (((k - t) * a) >> 8) on blue, green and red with an arithmetic shift;
// the target's alpha byte is kept. The result always lies between t and k.
inline uint32_t blendOver(uint32_t target, uint32_t colour, int32_t alpha)
{
    uint32_t out = target & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int32_t t = static_cast<int32_t>((target >> shift) & 0xFF);
        const int32_t k = static_cast<int32_t>((colour >> shift) & 0xFF);
        out |= static_cast<uint32_t>(t + (((k - t) * alpha) >> 8)) << shift;
    }
    return out;
}
