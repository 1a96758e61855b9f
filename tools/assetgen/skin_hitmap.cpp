// The colour-coded control map: black, each control's colour on its shape.

#include "tools/assetgen/skin_art.h"

namespace assetgen {

std::vector<uint8_t> paintHitMap()
{
    std::vector<uint8_t> rgbBytes(static_cast<size_t>(skinWidth) * skinHeight * 3, 0);
    for (const Control& c : skinControls()) {
        for (int y = c.area.top; y <= c.area.bottom; ++y) {
            for (int x = c.area.left; x <= c.area.right; ++x) {
                if (!inHitShape(c, x, y))
                    continue;
                uint8_t* px = &rgbBytes[(static_cast<size_t>(y) * skinWidth + x) * 3];
                px[0] = static_cast<uint8_t>(c.hitColour >> 16);
                px[1] = static_cast<uint8_t>(c.hitColour >> 8);
                px[2] = static_cast<uint8_t>(c.hitColour);
            }
        }
    }
    return rgbBytes;
}

} // namespace assetgen
