#include "app/command_line.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

CommandLine parse(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv{"quarven2"};
    argv.insert(argv.end(), args);
    return parseCommandLine(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, AcceptsEachOptionInBothSpellings)
{
    EXPECT_EQ(parse({}).action, CommandLineAction::Run);
    EXPECT_EQ(parse({}).options.scale, 0);
    EXPECT_EQ(parse({}).options.fpsCap, 0);
    EXPECT_EQ(parse({"--scale", "2"}).options.scale, 2);
    EXPECT_EQ(parse({"--scale=1"}).options.scale, 1);
    EXPECT_EQ(parse({"--fps", "60"}).options.fpsCap, 60);
    const CommandLine both = parse({"--fps=1000", "--scale", "2", "--"});
    EXPECT_EQ(both.action, CommandLineAction::Run);
    EXPECT_EQ(both.options.fpsCap, 1000);
    EXPECT_EQ(both.options.scale, 2);
    EXPECT_EQ(parse({"--help"}).action, CommandLineAction::Help);
    EXPECT_EQ(parse({"--scale", "2", "--version"}).action, CommandLineAction::Version);
}

TEST(CommandLine, RefusesWhatItDoesNotKnow)
{
    for (const auto& args : std::vector<std::vector<const char*>>{
             {"--verbose"}, {"song.mp3"}, {"--", "--help"}, {"--scale"}, {"--scale", "3"}, {"--scale=0"},
             {"--fps", "0"}, {"--fps", "1001"}, {"--fps", "60x"}, {"--fps="}, {"-x"}, {"-"}}) {
        std::vector<const char*> argv{"quarven2"};
        argv.insert(argv.end(), args.begin(), args.end());
        const CommandLine result = parseCommandLine(static_cast<int>(argv.size()), argv.data());
        EXPECT_EQ(result.action, CommandLineAction::Error) << args[0];
        const std::string line = usageErrorLine(result.error);
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_NE(line.find("usage: quarven2"), std::string::npos);
    }
}

} // namespace
