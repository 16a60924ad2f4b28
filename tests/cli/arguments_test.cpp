#include "cli/arguments.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

std::optional<CliOptions> parse(std::initializer_list<const char*> words) {
    std::vector<const char*> argv{"twk.exe"};
    argv.insert(argv.end(), words);
    return parse_arguments(static_cast<int>(argv.size()), argv.data());
}

TEST(ParseArguments, TakesTheFirstWordAsCommandAndSetsFlagsInAnyOrder) {
    auto options = parse({"--dry-run", "clean", "-f", "scan", "--bogus", "-", "-q", "--verbose"});
    ASSERT_TRUE(options);
    EXPECT_EQ(options->command, "clean");
    EXPECT_TRUE(options->force);
    EXPECT_TRUE(options->dry_run);
    EXPECT_TRUE(options->quiet);
    EXPECT_TRUE(options->verbose);

    EXPECT_EQ(parse({"foo", "scan"})->command, "foo");  // rejected later by the runner
    EXPECT_EQ(parse({"--no-gui", "scan"})->command, "scan");
}

TEST(ParseArguments, HelpAndVersionOptionsWinAndStopParsing) {
    EXPECT_EQ(parse({"scan", "-h"})->command, "help");
    auto help_first = parse({"-h", "scan", "--force"});
    EXPECT_EQ(help_first->command, "help");
    EXPECT_FALSE(help_first->force);  // nothing after --help is looked at
    EXPECT_EQ(parse({"--version", "scan"})->command, "version");
}

TEST(ParseArguments, NoCommandWordGivesNothing) {
    EXPECT_FALSE(parse({}));
    EXPECT_FALSE(parse({"--no-gui"}));
    EXPECT_FALSE(parse({"-v"}));  // -v is --verbose here, not --version
    EXPECT_FALSE(parse({"--force", "--dry-run"}));
}

}  // namespace
