// The console front end as a user meets it: the real twk.exe, started with
// its own environment, its output read through a pipe.

#include "build_info.h"
#include "support/profile_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

using ::testing::EndsWith;
using ::testing::Pair;
using ::testing::Truly;

namespace {

const std::string usage_text = std::string("Tidewick v") + TWK_VERSION + "\n" +
    "A comprehensive Windows system cleaning utility\n\n"
    "Usage: twk [options] <command>\n\n"
    "Commands:\n"
    "  scan           Scan for cleanable items\n"
    "  clean          Clean found items\n"
    "  list-modules   List available cleaning modules\n"
    "  help           Show this help message\n"
    "  version        Show version information\n\n"
    "Options:\n"
    "  -v, --verbose  Show detailed output\n"
    "  -q, --quiet    Suppress non-error output\n"
    "  -f, --force    Skip confirmation prompts\n"
    "  --dry-run      Show what would be cleaned without cleaning\n"
    "  --no-gui       Force CLI mode (when no command given)\n"
    "  -h, --help     Show this help message\n"
    "  --version      Show version information\n"
    "  --json         Report scan, clean or list-modules as one JSON document\n"
    "  --modules=ID[,ID...]  Scan and clean only these modules (ids as list-modules shows)\n"
    "  --exclude=PATH  Leave out everything at or below PATH (repeatable)\n"
    "  --plan=FILE    Clean exactly the selected items of a saved 'scan --json'\n"
    "  --dup-path=DIR  Search DIR for duplicate files (repeatable, at most 10)\n"
    "  --enable-registry  Turn the registry cleaner on for this run\n"
    "  --dup-keep=RULE  Keep the oldest, newest, first or shortest copy; select the rest\n"
    "  --dup-protect=DIR  Never select duplicate copies at or below DIR (repeatable)\n"
    "  --dup-min-size=SIZE  Smallest file compared for duplicates (default 10M)\n"
    "  --dup-action=link  Replace selected copies by hard links to the kept copy\n\n"
    "Examples:\n"
    "  twk scan\n"
    "  twk clean --dry-run\n"
    "  twk clean --force\n\n"
    "Exit status:\n"
    "  0              The command ran (some items may have been skipped or failed)\n"
    "  1              No command, an unknown command, option or module, or an error\n"
    "  8              Cleaning was declined at the prompt\n"
    "  99             The scan failed\n";

// Exit status and output together, so a failure shows both.
using Outcome = std::pair<int, std::string>;

TEST(EmptyProfile, EveryCommandPrintsItsExactText) {
    // An empty user profile: every location twk reads points into the empty tree.
    FixtureTree tree("cli");
    const auto run = [&](const std::vector<std::string>& args, const std::string& input = "") {
        ProcessOptions options;
        options.environment = profile_environment(tree);
        options.input = input;
        const ProcessResult result = run_process(twk_exe_path(), args, options);
        return Outcome(result.exit_code, result.output);
    };
    EXPECT_EQ(run({"--no-gui"}), Outcome(1, usage_text));
    for (const auto& args : {std::vector<std::string>{"--no-gui", "help"}, {"-h"}, {"scan", "--help"}}) {
        EXPECT_EQ(run(args), Outcome(0, usage_text));
    }
    EXPECT_EQ(run({"list-modules"}), Outcome(0, "Available cleaning modules:\n"
                                            "  temp_files       - Temporary files\n"
                                            "  browser_cache    - Browser cache files\n"
                                            "  windows_cleanup  - Windows update and log files\n"
                                            "  duplicate_finder - Duplicate files\n"
                                            "  registry_cleaner - Registry entries (disabled by default)\n"));

    const std::regex three_lines(std::string("Tidewick v") + TWK_VERSION + "\n" +
                                 "Build: [0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\n"
                                 "Commit: ([0-9a-f]{4,}|unknown)\n");
    for (const auto& args : {std::vector<std::string>{"--no-gui", "version"}, {"--version"}}) {
        EXPECT_THAT(run(args), Pair(0, Truly([&](const std::string& text) { return std::regex_match(text, three_lines); })));
    }

    // An empty word is the command, so the clean after it never runs.
    for (const auto& args : {std::vector<std::string>{"foo", "scan"}, {"", "clean", "--force"}}) {
        EXPECT_EQ(run(args), Outcome(1, "Error: Unknown command '" + args[0] + "'\nRun 'twk --help' for usage information.\n"));
    }

    // Scan and clean find nothing; the duplicate finder would otherwise search
    // the prefix's own user folders.
    const std::string searched = "--dup-path=" + tree.make_dir("user");
    EXPECT_EQ(run({"scan", searched}),
              Outcome(0, "Scanning for cleanable items...\n"
              "\r[  0%] Temporary Files\r[ 20%] Browser Cache & Data\r[ 40%] Windows Update & System Files"
              "\r[ 60%] Duplicate Files\r[ 80%] Registry Cleaner (Advanced)\r[100%] Scan complete\n"
              "\nScan Results:\nTotal items: 0\nTotal size: 0 B\n"));

    EXPECT_THAT(run({"clean", searched}, "y\n"), Pair(0, EndsWith("[100%] Scan complete\nNo items to clean.\n")));
}

}  // namespace
