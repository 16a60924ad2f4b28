// twk.exe with the module options, through a pipe, output compared exactly.

#include "support/child_process.h"
#include "support/fixture_tree.h"
#include "support/profile_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::AnyOf;
using ::testing::Pair;

namespace {

constexpr std::uint64_t MIB = 1024 * 1024;

void write_copies(const FixtureTree& tree, std::initializer_list<const char*> names, std::uint64_t size, char fill) {
    for (const char* name : names) tree.write_text(name, std::string(size, fill));
}

TEST(ModuleOptionsEndToEnd, DupPathScanListsTheGroupsOfTheGivenDirectoriesAndBadOnesEndTheProgram) {
    FixtureTree tree("e2e-dup");
    write_copies(tree, {"media\\a.bin", "media\\sub\\b.bin", "media\\sub\\c.bin"}, 20 * MIB, 'a');
    write_copies(tree, {"media\\d.bin", "other\\e.bin"}, 10 * MIB, 'b');
    write_copies(tree, {"outside\\a.bin"}, 20 * MIB, 'a');
    const std::string media = tree.path("media"), other = tree.path("other");

    // A relative directory is taken from the working directory and items name
    // full paths; the third directory lies inside the first: its files count
    // once.
    ProcessOptions options;
    options.environment = profile_environment(tree);
    options.working_directory = tree.root();
    const ProcessResult result = run_process(twk_exe_path(),
                                             {"--no-gui", "scan", "--dup-path=media", "--dup-path=" + other,
                                              "--dup-path=" + media + "\\sub"},
                                             options);

    // Each group lists its copies; the kept one is the first by search
    // directory, then path.
    const std::string head = "Scanning for cleanable items...\n[100%] Scan complete\n\nScan Results:\nTotal items: 3\nTotal size: 50.00 MB\n\nItems found:\n";
    const std::string first = "  [20.00 MB] " + media + "\\sub\\b.bin\n  [20.00 MB] " + media + "\\sub\\c.bin\n",
                      second = "  [10.00 MB] " + other + "\\e.bin\n";
    EXPECT_THAT(std::pair(result.exit_code, console_text(result.output)),
                Pair(0, AnyOf(head + first + second, head + second + first)));

    // A file or an eleventh directory ends the program, as does a duplicate
    // option with a value it does not know.
    const std::string file = tree.write_text("plain.txt", "not a directory");
    std::vector<std::string> eleven(12, "--dup-path=" + tree.root());
    eleven[0] = "scan";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"scan", "--dup-path=" + file}, "Not a directory: " + file},
        {eleven, "Too many --dup-path directories (at most 10)"},
        {{"scan", "--dup-keep=largest"}, "--dup-keep=largest"},
        {{"scan", "--dup-min-size=0"}, "--dup-min-size=0"},
        {{"scan", "--dup-min-size=1T"}, "--dup-min-size=1T"},
        {{"scan", "--dup-protect=" + file}, "Not a directory: " + file}};
    for (const auto& [args, message] : cases) {
        const ProcessResult bad = run_twk_in_profile(tree, args);
        EXPECT_EQ(std::pair(bad.exit_code, bad.output), std::pair(1, "ERROR: Invalid option - " + message + "\nFatal error, exiting...\n"));
    }
}

}  // namespace
