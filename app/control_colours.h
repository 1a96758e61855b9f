// The colours that name the controls in the hit map. Pixels are compared as
// whole 0xAARRGGBB values.
#pragma once

#include <cstdint>

namespace control {

constexpr uint32_t kBackground = 0xFF000000u; // no control
constexpr uint32_t kPlay = 0xFFFF0000u;
constexpr uint32_t kPause = 0xFF0000FFu;
constexpr uint32_t kStop = 0xFFFF00FFu;
constexpr uint32_t kPrevious = 0xFF00FFFFu;
constexpr uint32_t kNext = 0xFF00FF00u;
constexpr uint32_t kShuffle = 0xFFFFFF00u;
constexpr uint32_t kVolume = 0xFF464646u;
constexpr uint32_t kMinimise = 0xFF959595u;
constexpr uint32_t kClose = 0xFFFFFFFFu;
constexpr uint32_t kTrackLink = 0xFF00AEF0u;
constexpr uint32_t kFilmSite = 0xFFE2E2E2u;

} // namespace control
