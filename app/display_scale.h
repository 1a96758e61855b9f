// How many screen pixels the window gives each of its own pixels: 1, or 2 on
// a HiDPI desktop. Chosen once, before the window opens.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

constexpr int32_t kMaxScale = 2;
// The X server's Xft.dpi from which a desktop counts as HiDPI.
constexpr double kHiDpiThreshold = 144.0;

// The scale for the run: the command line's --scale (1 or 2; 0 when not
// given), else GDK_SCALE (a whole number; 2 or more means 2, unusable values
// are passed over), else the Xft.dpi resource (144 or more means 2), else 1.
// `readXftDpi` is asked only when the first two leave it open; it returns
// the resource's text, empty when there is none.
int32_t chooseScale(int32_t option, const char* gdkScale, const std::function<std::string()>& readXftDpi);
