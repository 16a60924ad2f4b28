// The Windows-locations module through the real twk.exe. Wine's token reports
// elevation, so all twelve locations apply. One tree covers the per-location
// patterns and day boundaries, empty and zero-size entries, directory items,
// a held file, a directory with a held file inside, and a link.

#include "support/directory_link.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t DAY = 86400;
constexpr const char* DOWNLOAD = "Windows\\SoftwareDistribution\\Download\\";
constexpr const char* EXPLORER = "Local\\Microsoft\\Windows\\Explorer\\";
constexpr const char* REPORTS = "Local\\Microsoft\\Windows\\WER\\ReportArchive\\";

constexpr FixtureFile FILES[] = {
    {"Windows\\SoftwareDistribution\\Download\\pkg1\\a.bin", 100, 0},
    {"Windows\\SoftwareDistribution\\Download\\pkg1\\sub\\b.bin", 200, 0},
    {"Windows\\SoftwareDistribution\\Download\\pkg2\\held.dat", 10, 0, true},
    {"Windows\\SoftwareDistribution\\Download\\pkg2\\other.dat", 20, 0},
    {"Windows\\SoftwareDistribution\\Download\\update.cab", 200, 0},
    {"Windows\\SoftwareDistribution\\Download\\zero.bin", 0, 0, true},
    {"Windows\\Logs\\CBS\\cbs_old.log", 70, 7 * DAY},
    {"Windows\\Logs\\CBS\\cbs_new.log", 60, 7 * DAY - 3600, true},
    {"Windows\\Logs\\CBS\\cbs.txt", 50, 40 * DAY, true},
    {"Local\\Microsoft\\Windows\\WER\\ReportArchive\\Report30\\report.wer", 500, 0},
    {"Local\\Microsoft\\Windows\\WER\\ReportArchive\\Report29\\report.wer", 400, 0, true},
    {"Windows\\Prefetch\\APP.EXE-1234.pf", 90, 31 * DAY},
    {"Local\\Microsoft\\Windows\\Explorer\\thumbcache_32.db", 64, 0, true},
    {"Local\\Microsoft\\Windows\\Explorer\\thumbcache_96.db", 32, 0},
    {"Local\\Microsoft\\Windows\\Explorer\\iconcache_32.db", 48, 0},
    {"Local\\D3DSCache\\shader.bin", 128, 0},
    {"ProgramData\\Microsoft\\Search\\Data\\Temp\\search.tmp", 16, 0},
    {"Outside\\outside.log", 16, 0, true},
};

class WindowsCleanupProfile : public ::testing::Test {
protected:
    void SetUp() override {
        make_files(tree, FILES);
        tree.make_dir(std::string(DOWNLOAD) + "emptydir");
        // Report directories are dated after their contents were written.
        tree.set_age_seconds(std::string(REPORTS) + "Report30", 30 * DAY);
        tree.set_age_seconds(std::string(REPORTS) + "Report29", 29 * DAY);
        link.emplace(tree.path("Local\\D3DSCache\\linked"), tree.path("Outside"));
        holder.emplace(test_tool_path("lock_holder.exe"),
                       std::vector<std::string>{tree.path(std::string(EXPLORER) + "thumbcache_32.db"),
                                                tree.path(std::string(DOWNLOAD) + "pkg2\\held.dat")});
        ASSERT_TRUE(holder->wait_for_output("ready"));
    }

    std::string cleanable_lines() const {
        return listing_line(tree, std::string(DOWNLOAD) + "pkg1", 300) +
               listing_line(tree, std::string(DOWNLOAD) + "pkg2", 30) +
               listing_line(tree, std::string(DOWNLOAD) + "update.cab", 200) +
               listing_line(tree, "Windows\\Logs\\CBS\\cbs_old.log", 70) +
               listing_line(tree, std::string(REPORTS) + "Report30", 500) +
               listing_line(tree, "Windows\\Prefetch\\APP.EXE-1234.pf", 90) +
               listing_line(tree, std::string(EXPLORER) + "thumbcache_96.db", 32) +
               listing_line(tree, std::string(EXPLORER) + "iconcache_32.db", 48) +
               listing_line(tree, "Local\\D3DSCache\\shader.bin", 128) +
               listing_line(tree, "ProgramData\\Microsoft\\Search\\Data\\Temp\\search.tmp", 16);
    }

    FixtureTree tree{"wincl"};
    std::optional<DirectoryLink> link;
    std::optional<BackgroundProcess> holder;
};

TEST_F(WindowsCleanupProfile, ScanListsMatchingEntriesPerLocationAndCleanRemovesThemWhole) {
    const ProcessResult scan = run_twk_in_profile(tree, {"scan"});
    ASSERT_EQ(scan.exit_code, 0) << scan.output;
    const std::string locked = unknown_holder_line(tree, std::string(EXPLORER) + "thumbcache_32.db", 64);
    EXPECT_EQ(console_text(scan.output).text, scan_report(11, 1478, cleanable_lines(), locked, 1));

    const ProcessResult run = run_twk_in_profile(tree, {"clean", "--force"});
    ASSERT_EQ(run.exit_code, 0) << run.output;
    const std::string reports =
              cleaned_lines("pkg1") +
              "[ -1%] [>] Cleaning: pkg2\n"
              "[ -1%] [X] Failed to clean: pkg2\n" +
              cleaned_lines("update.cab") + cleaned_lines("cbs_old.log") + cleaned_lines("Report30") +
              cleaned_lines("APP.EXE-1234.pf") +
              "[ -1%] [!] Skipping locked file: thumbcache_32.db (locked by System or Unknown Process)\n" +
              cleaned_lines("thumbcache_96.db") + cleaned_lines("iconcache_32.db") + cleaned_lines("shader.bin") +
              cleaned_lines("search.tmp");
    EXPECT_EQ(console_text(run.output).text, failed_clean_report(11, 1478, reports));
    for (const FixtureFile& file : FILES) EXPECT_EQ(tree.exists(file.path), file.kept_by_clean) << file.path;
    EXPECT_FALSE(tree.exists(std::string(DOWNLOAD) + "pkg1"));  // directory items go whole
    EXPECT_TRUE(tree.exists(std::string(DOWNLOAD) + "emptydir"));
    EXPECT_TRUE(link->exists());
}

}  // namespace
