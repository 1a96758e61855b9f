#include "app/display_scale.h"

#include <charconv>
#include <string_view>

namespace {

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// GDK_SCALE as GTK reads it: a positive whole number. 0 when unusable.
int32_t scaleFromGdk(const char* value)
{
    if (value == nullptr)
        return 0;
    const std::string_view text = trimmed(value);
    int32_t parsed = 0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (text.empty() || status != std::errc() || end != text.data() + text.size() || parsed < 1)
        return 0;
    return parsed >= kMaxScale ? kMaxScale : 1;
}

// Xft.dpi is a number of dots per inch, often with a fraction ("96", "144.0").
int32_t scaleFromDpi(const std::string& value)
{
    const std::string_view text = trimmed(value);
    double dpi = 0.0;
    const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), dpi);
    if (text.empty() || status != std::errc() || end != text.data() + text.size())
        return 1;
    return dpi >= kHiDpiThreshold ? kMaxScale : 1;
}

} // namespace

int32_t chooseScale(int32_t option, const char* gdkScale, const std::function<std::string()>& readXftDpi)
{
    if (option == 1 || option == kMaxScale)
        return option;
    if (const int32_t fromGdk = scaleFromGdk(gdkScale); fromGdk != 0)
        return fromGdk;
    return readXftDpi ? scaleFromDpi(readXftDpi()) : 1;
}
