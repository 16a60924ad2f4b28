// Names in any script through the real twk.exe, whose manifest makes every
// 8-bit string UTF-8: the scan lists them with their exact bytes, the clean
// removes exactly them, and young files beside them stay.

#include "engine/directory_listing.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr FixtureFile NAMED[] = {
    {"Temp\\日本語.log", 11, 2 * 86400},
    {"Temp\\Ångström café.log", 12, 2 * 86400},
    {"Temp\\Ελληνικά\\αρχείο.log", 13, 2 * 86400},
    {"Temp\\🗑 trash.log", 14, 2 * 86400},
    {"Temp\\＼x.log", 15, 2 * 86400},  // best fit would turn it into "\x.log"
};
constexpr FixtureFile CANARIES[] = {{"Temp\\abc.log", 1, 0}, {"Temp\\x.log", 2, 0}};

TEST(UnicodeNames, ScanListsTheirExactBytesAndCleanRemovesExactlyThem) {
    FixtureTree tree("unicode");
    make_files(tree, NAMED);
    make_files(tree, CANARIES);

    const std::string scanned = console_text(run_twk_in_profile(tree, {"scan"}).output);
    EXPECT_NE(scanned.find("Total items: 5\nTotal size: 65 B\n"), std::string::npos) << scanned;
    for (const FixtureFile& file : NAMED) {
        EXPECT_NE(scanned.find(listing_line(tree, file.path, file.size)), std::string::npos) << file.path;
    }

    const std::string cleaned = console_text(run_twk_in_profile(tree, {"clean", "--force"}).output);
    EXPECT_NE(cleaned.find("  Cleaned: 5 items (65 B)\n  Failed: 0 items\n"), std::string::npos) << cleaned;
    for (const FixtureFile& file : NAMED) {
        const std::string name(base_name(file.path));
        EXPECT_NE(cleaned.find(cleaned_lines(name)), std::string::npos) << name;
        EXPECT_FALSE(tree.exists(file.path)) << file.path;
    }
    for (const FixtureFile& file : CANARIES) EXPECT_TRUE(tree.exists(file.path)) << file.path;
}

}  // namespace
