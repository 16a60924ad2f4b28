#include "cli/arguments.h"

#include "cli/option_table.h"

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

// Value options carry their value after "="; written bare, or a flag written
// with a value, an option is unknown. A lone "-" is a word like any other.
TEST(OptionTable, KnowsEveryOptionByItsExactSpelling) {
    for (const char* known : {"-v", "--verbose", "-f", "--dry-run", "--json", "--dup-path=C:\\x", "--exclude=",
                              "--modules=temp_files,browser_cache", "--plan=p.json", "--dup-keep=oldest", "--enable-registry"}) {
        const auto option = read_option(known);
        ASSERT_TRUE(option && option->spec) << known;
    }
    for (const char* unknown : {"--dryrun", "-x", "--dup-path", "--json=1", "--modules", "---verbose", "-fv", "--Force"}) {
        const auto option = read_option(unknown);
        ASSERT_TRUE(option) << unknown;
        EXPECT_EQ(option->spec, nullptr) << unknown;
    }
    EXPECT_FALSE(read_option("-"));
    EXPECT_FALSE(read_option("scan"));

    const char* argv[] = {"twk.exe", "clean", "--modules=temp_files,browser_cache", "--exclude=a", "--modules=registry_cleaner", "--exclude=b"};
    const auto options = parse_arguments(6, argv);
    ASSERT_TRUE(options && options->modules);
    EXPECT_EQ(*options->modules, (std::vector<std::string>{"temp_files", "browser_cache", "registry_cleaner"}));
    EXPECT_EQ(option_values(6, argv, Option::exclude), (std::vector<std::string>{"a", "b"}));
}

}  // namespace
