// The program's command line, GNU style: long options, `--opt N` or
// `--opt=N`, `--` ends the options. Parsing is a plain function so tests call
// it without starting anything.
#pragma once

#include <cstdint>
#include <string>

// What the user asked for on the command line. Zero means "not given".
struct Options {
    int32_t scale = 0;  // 1 or 2; 0: the desktop's setting decides
    int32_t fpsCap = 0; // 1..1000 frames presented a second; 0: every pass
};

enum class CommandLineAction : uint8_t { Run, Help, Version, Error };

struct CommandLine {
    CommandLineAction action = CommandLineAction::Run;
    Options options;
    std::string error; // for Error: what was wrong, one phrase
};

CommandLine parseCommandLine(int argc, const char* const* argv);

// The whole --help text, ending in a newline. installedTracks: the data
// folder the tracks are looked for in last (see track_folder.h).
std::string usageText(const std::string& installedTracks);

// The one line printed on standard error for a bad command line.
std::string usageErrorLine(const std::string& error);

// The project's version, given by the build from its one definition.
extern const char* const kProgramVersion;
