#include "gfx/effects/passes.h"

void BuildSineTable(uint8_t (&table)[256])
{
    for (int i = 0; i < 256; ++i) {
        // The constant is the short 3.14159265, and the angle is rounded to
        // float: entry 128 lands just past pi and gives 126, not 127.
        const float angle = static_cast<float>(i * (1.0 / 256) * 3.14159265 * 2);
        const float sine = singleSine(angle);
        // Scale and offset in double precision, then truncate.
        table[i] = static_cast<uint8_t>(static_cast<int>(static_cast<double>(sine) * 127.0 + 127.0));
    }
}
