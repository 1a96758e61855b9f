// The desktop's font resolution as the X server's resource database holds it.
#pragma once

#include <string>

namespace platform {

// The Xft.dpi resource's text (for example "192"), read as Xft reads it;
// empty when there is no X display or no such resource.
std::string xftDpiSetting();

} // namespace platform
