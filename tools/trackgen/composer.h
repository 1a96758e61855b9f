// Composes one piece in an artist's style: an intro, sections built from
// four-bar phrases with a recurring melody, and an ending on the tonic.
#pragma once

#include "tools/trackgen/score.h"
#include "tools/trackgen/style.h"

#include <cstdint>

namespace trackgen {

// `variant` (0..2) picks the artist's key and progressions for this piece;
// the length comes out within a phrase of `targetSeconds` and always
// between 30 and 90 seconds.
Score compose(const Style& style, int variant, uint64_t seed, double targetSeconds);

} // namespace trackgen
