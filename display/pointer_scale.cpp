#include "display/pointer_scale.h"

namespace {

int32_t floorDivide(int32_t value, int32_t divisor)
{
    const int32_t quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

bool carriesPointer(platform::EventKind kind)
{
    using platform::EventKind;
    return kind == EventKind::MouseMove || kind == EventKind::LeftPress || kind == EventKind::LeftRelease ||
           kind == EventKind::RightPress;
}

} // namespace

platform::Event toWindowPixels(const platform::Event& event, int32_t scale)
{
    if (scale <= 1 || !carriesPointer(event.kind))
        return event;
    platform::Event scaled = event;
    scaled.x = floorDivide(event.x, scale);
    scaled.y = floorDivide(event.y, scale);
    return scaled;
}
