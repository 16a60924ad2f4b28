// twk.exe with the module options, through a pipe, output compared exactly.

#include "engine/directory_listing.h"
#include "engine/win32_handle.h"
#include "support/child_process.h"
#include "support/fixture_tree.h"
#include "support/profile_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

std::string only_backup_file(const std::string& directory) {
    DirectoryListing listing(directory);
    const WIN32_FIND_DATAA* entry = listing.next();
    const std::string name = entry ? entry->cFileName : "";
    return listing.next() ? "<more than one backup>" : directory + "\\" + name;
}

TEST(ModuleOptionsEndToEnd, EnableRegistryCleansStaleValuesAfterABackup) {
    FixtureTree tree("e2e-reg");
    // A name without backslashes: the clean finds a value by splitting its path at the last one.
    const std::string name = "twk-e2e-tool.exe.FriendlyAppName";
    const std::string data = "Z:\\tmp\\twk-e2e-gone\\tool.exe";
    UniqueRegistryKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, MUI_CACHE, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    const std::string empty = tree.make_dir("empty");
    tree.make_dir(PROFILE_LOCAL);  // a user's local application data always exists

    // Without the option the value is not even looked at.
    ProcessResult result = run_twk_in_profile(tree, {"clean", "--force", "--dup-path=" + empty});
    EXPECT_EQ(after_scan_progress(result.output), "No items to clean.\n");

    result = run_twk_in_profile(tree, {"clean", "--enable-registry", "--force", "--dup-path=" + empty});
    const auto has_value = [&] {
        return RegQueryValueExA(key.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    };
    const bool deleted = !has_value();
    const std::string backup = only_backup_file(tree.path(std::string(PROFILE_LOCAL) + "\\Tidewick\\Backups"));
    RegDeleteValueA(key.get(), name.c_str());

    EXPECT_EQ(result.exit_code, 0);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(after_scan_progress(result.output),
              "Found 1 items (1 B)\n"
              "\nCleaning...\n"
              "\r[ -1%] [i] Registry backup: " + backup +
              "\r[100%] Cleaning files...\n\r[100%] Clean complete\n"
              "\nCleaning complete:\n"
              "  Cleaned: 1 items (1 B)\n"
              "  Failed: 0 items\n");
}

}  // namespace
