// Our track texts are 8-bit Windows-1252; the desktop's title API takes UTF-8.
#pragma once

#include <cstddef>

// Converts the NUL-terminated Windows-1252 text `in` to UTF-8 in `out`
// (`outSize` bytes, at least 1). Stops before a character that would not fit
// whole, so the result is always valid, NUL-terminated UTF-8. Returns the
// number of bytes written before the NUL. Three output bytes per input byte
// always suffice.
size_t windows1252ToUtf8(const char* in, char* out, size_t outSize);
