#include "app/command_line.h"

#include <charconv>
#include <string_view>

#ifndef Q2_VERSION
#error "the build defines Q2_VERSION, the project's version"
#endif
const char* const kProgramVersion = Q2_VERSION;

namespace {

constexpr const char* kSynopsis = "quarven2 [--scale 1|2] [--fps N] [--help] [--version]";

// A whole decimal number within [low, high]; nothing else is accepted.
bool parseBounded(std::string_view text, int32_t low, int32_t high, int32_t& value)
{
    int32_t parsed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, status] = std::from_chars(text.data(), end, parsed);
    if (text.empty() || status != std::errc() || stop != end || parsed < low || parsed > high)
        return false;
    value = parsed;
    return true;
}

struct ValueOption {
    std::string_view name;
    int32_t low;
    int32_t high;
    int32_t Options::*field;
};

constexpr ValueOption kValueOptions[] = {
    {"--scale", 1, 2, &Options::scale},
    {"--fps", 1, 1000, &Options::fpsCap},
};

CommandLine failure(std::string error)
{
    CommandLine result;
    result.action = CommandLineAction::Error;
    result.error = std::move(error);
    return result;
}

} // namespace

CommandLine parseCommandLine(int argc, const char* const* argv)
{
    CommandLine result;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-')
            return failure("unexpected argument '" + std::string(arg) + "'");
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            result.action = CommandLineAction::Help;
            return result;
        }
        if (arg == "--version") {
            result.action = CommandLineAction::Version;
            return result;
        }
        const size_t equals = arg.find('=');
        const std::string_view name = arg.substr(0, equals);
        const ValueOption* option = nullptr;
        for (const ValueOption& candidate : kValueOptions)
            if (candidate.name == name)
                option = &candidate;
        if (option == nullptr)
            return failure("unknown option '" + std::string(name) + "'");
        std::string_view value;
        if (equals != std::string_view::npos)
            value = arg.substr(equals + 1);
        else if (i + 1 < argc)
            value = argv[++i];
        else
            return failure("option '" + std::string(name) + "' needs a value");
        if (!parseBounded(value, option->low, option->high, result.options.*(option->field)))
            return failure("option '" + std::string(name) + "' takes a whole number from " +
                           std::to_string(option->low) + " to " + std::to_string(option->high) + ", not '" +
                           std::string(value) + "'");
    }
    return result;
}

std::string usageText(const std::string& installedTracks)
{
    return std::string("Usage: ") + kSynopsis +
           "\n"
           "Plays the QUARVEN 2 soundtrack in a small skinned window.\n"
           "\n"
           "Options:\n"
           "  --scale N    draw the window at 1 or 2 times its size (default: GDK_SCALE\n"
           "               when set, else 2 if the X server's Xft.dpi is 144 or more)\n"
           "  --fps N      present at most N frames a second (1 to 1000; default: every\n"
           "               pass of the loop)\n"
           "  --help       print this help and exit\n"
           "  --version    print the version and exit\n"
           "\n"
           "Keys: Space pauses and resumes, Left and Right step back and forward,\n"
           "Up and Down (and the mouse wheel) set the volume, S turns shuffle on or\n"
           "off, the media keys act too; Escape quits; holding 1 to 5 shows one\n"
           "background effect.\n"
           "\n"
           "On the session bus the player is org.mpris.MediaPlayer2.quarven2, so the\n"
           "desktop's media controls and playerctl drive it.\n"
           "\n"
           "The 33 tracks are looked for in the current folder first, then in the\n"
           "folder that holds the program, then in " +
           (installedTracks.empty() ? std::string("the installed data folder") : installedTracks) + ".\n";
}

std::string usageErrorLine(const std::string& error)
{
    return "quarven2: " + error + "; usage: " + kSynopsis;
}
