// twk.exe with the module options, through a pipe, output compared exactly.

#include "support/child_process.h"
#include "support/fixture_tree.h"
#include "support/profile_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

using ::testing::AnyOf;
using ::testing::StartsWith;

namespace {

constexpr std::uint64_t MIB = 1024 * 1024;
constexpr const char* MUI_CACHE =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";

// The progress line lists every registered module; what follows it is fixed.
std::string after_scan_progress(const std::string& output) {
    const std::string marker = "[100%] Scan complete\n";
    const auto at = output.find(marker);
    return at == std::string::npos ? "<no scan>\n" + output : output.substr(at + marker.size());
}

void write_copies(const FixtureTree& tree, std::initializer_list<const char*> names, std::uint64_t size, char fill) {
    for (const char* name : names) tree.write_text(name, std::string(size, fill));
}

TEST(ModuleOptionsEndToEnd, DupPathScanListsTheGroupsOfTheGivenDirectories) {
    FixtureTree tree("e2e-dup");
    write_copies(tree, {"media\\a.bin", "media\\sub\\b.bin", "media\\sub\\c.bin"}, 20 * MIB, 'a');
    write_copies(tree, {"media\\d.bin", "other\\e.bin"}, 10 * MIB, 'b');
    write_copies(tree, {"outside\\a.bin"}, 20 * MIB, 'a');
    const std::string media = tree.path("media"), other = tree.path("other");

    // The second directory lies inside the first: its files count once.
    const ProcessResult result =
        run_twk_in_profile(tree, {"scan", "--dup-path=" + media, "--dup-path=" + other, "--dup-path=" + media + "\\sub"});

    EXPECT_EQ(result.exit_code, 0);
    EXPECT_THAT(result.output, StartsWith("Scanning for cleanable items...\n"));
    const std::string head = "\nScan Results:\nTotal items: 2\nTotal size: 30.00 MB\n\nItems found:\n";
    const std::string first = "  [20.00 MB] " + media + "\\a.bin\n", second = "  [10.00 MB] " + media + "\\d.bin\n";
    EXPECT_THAT(after_scan_progress(result.output), AnyOf(head + first + second, head + second + first));
}

TEST(ModuleOptionsEndToEnd, BadDupPathsEndTheProgram) {
    FixtureTree tree("e2e-dup-bad");
    const std::string file = tree.write_text("plain.txt", "not a directory");
    ProcessResult result = run_twk_in_profile(tree, {"scan", "--dup-path=" + file});
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.output, "ERROR: Invalid option - Not a directory: " + file + "\nFatal error, exiting...\n");

    std::vector<std::string> args{"scan"};
    for (int i = 0; i < 11; ++i) args.push_back("--dup-path=" + tree.root());
    result = run_twk_in_profile(tree, args);
    EXPECT_EQ(result.exit_code, 1);
    EXPECT_EQ(result.output,
              "ERROR: Invalid option - Too many --dup-path directories (at most 10)\nFatal error, exiting...\n");
}

// The registry test shows the clean and its backup; here the option reaches the module.
TEST(ModuleOptionsEndToEnd, EnableRegistryFindsStaleValues) {
    FixtureTree tree("e2e-reg");
    const std::string name = "twk-e2e-tool.exe.FriendlyAppName";
    const std::string data = "Z:\\tmp\\twk-e2e-gone\\tool.exe";
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, MUI_CACHE, name.c_str(), REG_SZ, data.c_str(),
                              static_cast<DWORD>(data.size() + 1)),
              ERROR_SUCCESS);
    const std::string empty = "--dup-path=" + tree.make_dir("empty");
    const ProcessResult without = run_twk_in_profile(tree, {"scan", empty});
    const ProcessResult with = run_twk_in_profile(tree, {"scan", "--enable-registry", empty});
    RegDeleteKeyValueA(HKEY_CURRENT_USER, MUI_CACHE, name.c_str());

    EXPECT_EQ(after_scan_progress(without.output), "\nScan Results:\nTotal items: 0\nTotal size: 0 B\n");
    EXPECT_EQ(after_scan_progress(with.output), "\nScan Results:\nTotal items: 1\nTotal size: 1 B\n\nItems found:\n"
                                                "  [1 B] HKEY_CURRENT_USER\\" + std::string(MUI_CACHE) + "\\" + name + "\n");
}

}  // namespace
