#include "audio/title_text.h"

#include <cstdint>

namespace {

// Code points of bytes 0x80..0x9F. The five bytes Windows-1252 leaves
// undefined keep their C1 control code points, as the Windows code page
// conversion does, so no byte is lost.
constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

uint32_t codePointOf(uint8_t byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte; // ASCII and 0xA0..0xFF equal Latin-1
}

// Encodes one code point below 0x10000; returns its length in bytes.
size_t encodeUtf8(uint32_t cp, char* out)
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (cp >> 12));
    out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (cp & 0x3F));
    return 3;
}

} // namespace

size_t windows1252ToUtf8(const char* in, char* out, size_t outSize)
{
    if (outSize == 0)
        return 0;
    size_t used = 0;
    for (const char* p = in; *p != '\0'; ++p) {
        char encoded[3];
        const size_t length = encodeUtf8(codePointOf(static_cast<uint8_t>(*p)), encoded);
        if (used + length + 1 > outSize)
            break;
        for (size_t k = 0; k < length; ++k)
            out[used + k] = encoded[k];
        used += length;
    }
    out[used] = '\0';
    return used;
}
