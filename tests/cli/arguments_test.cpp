#include "cli/arguments.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>
#include <vector>

namespace {

// The first word is the command (an unknown one is rejected later by the
// runner), flags count anywhere, and --help or --version stop the parse.
TEST(ParseArguments, CommandsFlagsHelpAndVersion) {
    struct Case {
        std::initializer_list<const char*> words;
        const char* command;  // null: no command at all
        bool force = false, dry_run = false, quiet = false, verbose = false;
    };
    const Case cases[] = {
        {{"--dry-run", "clean", "-f", "scan", "--bogus", "-", "-q", "--verbose"}, "clean", true, true, true, true},
        {{"foo", "scan"}, "foo"},
        {{"--no-gui", "scan"}, "scan"},
        {{"scan", "-h"}, "help"},
        {{"-h", "scan", "--force"}, "help"},
        {{"--version", "scan"}, "version"},
        {{}, nullptr},
        {{"--no-gui"}, nullptr},
        {{"-v"}, nullptr},  // -v is --verbose here, not --version
        {{"--force", "--dry-run"}, nullptr},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"twk.exe"};
        argv.insert(argv.end(), c.words);
        const auto options = parse_arguments(static_cast<int>(argv.size()), argv.data());
        ASSERT_EQ(options.has_value(), c.command != nullptr) << c.words.size() << " words";
        if (!options) continue;
        EXPECT_EQ(options->command, c.command);
        EXPECT_EQ(std::tuple(options->force, options->dry_run, options->quiet, options->verbose),
                  std::tuple(c.force, c.dry_run, c.quiet, c.verbose))
            << c.command;
    }
}

}  // namespace
