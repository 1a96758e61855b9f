#include "platform/headless_mpris.h"

namespace platform {

void HeadlessMediaService::statusChanged()
{
    const MediaStatus& now = remote_.status();
    const uint32_t changed = changedProperties(properties, now);
    properties = now;
    if (changed != 0)
        announced.push_back(changed);
}

} // namespace platform
