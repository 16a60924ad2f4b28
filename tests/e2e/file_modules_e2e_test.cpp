// The three file modules through the real twk.exe, on one profile tree that
// exercises their rules in one scan and one clean: ages, names, attributes
// and day boundaries of temporary files and Windows locations, browser
// profiles with and without a cache, held files, directory items, links
// that are never followed, and Chrome running at start-up. Then a check of
// what is left on disk and in the Recycle Bin.

#include "engine/diagnostics.h"
#include "engine/directory_listing.h"
#include "support/directory_link.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <list>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::int64_t DAY = 86400;
constexpr const char* CHROME = "Local\\Google\\Chrome\\User Data\\";
constexpr const char* FIREFOX_CACHE = "Local\\Mozilla\\Firefox\\Profiles\\abc.default\\cache2\\entries";
constexpr const char* DOWNLOAD = "Windows\\SoftwareDistribution\\Download\\";
constexpr const char* REPORTS = "Local\\Microsoft\\Windows\\WER\\ReportArchive\\";
constexpr const char* UNKNOWN_HOLDER = " - LOCKED by System or Unknown Process (PID: 0)\n";

// Ages are set when the tree is made; the two scans and the clean follow
// within seconds, more on a busy machine, so the file just under a day old
// is kept a minute clear of the boundary.
constexpr FixtureFile FILES[] = {
    {"Temp\\a\\b\\c\\deep.log", 300, 3 * DAY},
    {"Temp\\future.log", 50, -3600},  // written in the future: counts as old
    {"Temp\\held.log", 7, 2 * DAY, true},
    {"Temp\\hidden.txt", 20, DAY},
    {"Temp\\old.log", 100, DAY},
    {"Temp\\readonly.txt", 10, 2 * DAY},
    {"Temp\\zero.dat", 0, 2 * DAY},
    {"Windows\\Temp\\win.log", 600, 5 * DAY},
    {"Temp\\young.log", 40, DAY - 60, true},
    {"Temp\\a.tmp", 11, 9 * DAY, true},
    {"Temp\\B.TMP", 12, 9 * DAY, true},
    {"Temp\\~$notes.docx", 13, 9 * DAY, true},
    {"Temp\\~LOCK.TXT", 14, 9 * DAY, true},
    {"Temp\\sys.bin", 15, 9 * DAY, true},
    {"Outside\\outside.log", 16, 9 * DAY, true},  // reached only through links
    {"Local\\Google\\Chrome\\User Data\\Default\\Cache\\data_0", 100, 0},
    {"Local\\Google\\Chrome\\User Data\\Default\\Cache\\index\\data_1", 50, 0},
    {"Local\\Google\\Chrome\\User Data\\Local State", 5, 0, true},
    {"Local\\Google\\Chrome\\User Data\\Profile 1\\Cache\\data_2", 70, 0},
    {"Local\\Google\\Chrome\\User Data\\Profile 2\\Preferences", 9, 0, true},
    {"Local\\Mozilla\\Firefox\\Profiles\\abc.default\\cache2\\entries\\e1", 30, 0},
    {"Roaming\\Opera Software\\Opera Stable\\Cache\\Cache_Data\\o1", 40, 0},
    {"Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data\\b1", 20, 0, true},
    {"Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data\\b2", 10, 0, true},
    {"Elsewhere\\Cache\\x", 25, 0, true},
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
};

// What a clean reports for an item of the listing.
enum Report { CLEANED, FAILED, SKIPPED, SILENT, SILENT_FAILED };
struct Item {
    std::string path;
    std::uint64_t size;
    Report report;
    bool locked = false;
};

// The scan's items in order: modules as registered, each in its scan order.
// The browser module reports nothing per item; a link inside Firefox's cache
// cannot be removed under Wine, so that item fails.
const std::vector<Item> ITEMS = {
    {"Temp\\a\\b\\c\\deep.log", 300, CLEANED}, {"Temp\\future.log", 50, CLEANED}, {"Temp\\held.log", 7, SKIPPED, true},
    {"Temp\\hidden.txt", 20, CLEANED}, {"Temp\\old.log", 100, CLEANED}, {"Temp\\readonly.txt", 10, CLEANED},
    {"Temp\\zero.dat", 0, CLEANED}, {"Windows\\Temp\\win.log", 600, CLEANED},
    {std::string(CHROME) + "Default\\Cache", 150, SILENT}, {std::string(CHROME) + "Profile 1\\Cache", 70, SILENT},
    {FIREFOX_CACHE, 30, SILENT_FAILED}, {"Roaming\\Opera Software\\Opera Stable\\Cache\\Cache_Data", 40, SILENT},
    {"Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data", 30, SILENT, true},
    {std::string(DOWNLOAD) + "pkg1", 300, CLEANED}, {std::string(DOWNLOAD) + "pkg2", 30, FAILED},
    {std::string(DOWNLOAD) + "update.cab", 200, CLEANED}, {"Windows\\Logs\\CBS\\cbs_old.log", 70, CLEANED},
    {std::string(REPORTS) + "Report30", 500, CLEANED}, {"Windows\\Prefetch\\APP.EXE-1234.pf", 90, CLEANED},
    {"Local\\Microsoft\\Windows\\Explorer\\thumbcache_32.db", 64, SKIPPED, true},
    {"Local\\Microsoft\\Windows\\Explorer\\thumbcache_96.db", 32, CLEANED},
    {"Local\\Microsoft\\Windows\\Explorer\\iconcache_32.db", 48, CLEANED}, {"Local\\D3DSCache\\shader.bin", 128, CLEANED},
    {"ProgramData\\Microsoft\\Search\\Data\\Temp\\search.tmp", 16, CLEANED},
};

class FileModulesProfile : public ::testing::Test {
protected:
    void SetUp() override {
        make_files(tree, FILES);
        tree.add_attributes("Temp\\sys.bin", FILE_ATTRIBUTE_SYSTEM);
        tree.add_attributes("Temp\\hidden.txt", FILE_ATTRIBUTE_HIDDEN);
        tree.add_attributes("Temp\\readonly.txt", FILE_ATTRIBUTE_READONLY);
        tree.add_attributes(std::string(DOWNLOAD) + "pkg1\\sub\\b.bin", FILE_ATTRIBUTE_READONLY);
        tree.make_dir(std::string(DOWNLOAD) + "emptydir");
        tree.make_dir(std::string(CHROME) + "Profile 3\\Cache");
        // Report directories are dated after their contents were written.
        tree.set_age_seconds(std::string(REPORTS) + "Report30", 30 * DAY);
        tree.set_age_seconds(std::string(REPORTS) + "Report29", 29 * DAY);
        for (const std::string link : {"Temp", "Local\\D3DSCache", FIREFOX_CACHE}) {
            links.emplace_back(tree.path(link + "\\linked"), tree.path("Outside"));
        }
        tree.make_dir("Local\\Microsoft\\Edge\\User Data");  // a profile that is itself a link
        links.emplace_back(tree.path("Local\\Microsoft\\Edge\\User Data\\Linked"), tree.path("Elsewhere"));
        std::vector<std::string> held;
        for (const char* file : {"Temp\\held.log", "Local\\Microsoft\\Windows\\Explorer\\thumbcache_32.db",
                                 "Windows\\SoftwareDistribution\\Download\\pkg2\\held.dat",
                                 "Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data\\b1"}) {
            held.push_back(tree.path(file));
        }
        holder.emplace(test_tool_path("lock_holder.exe"), held);
        ASSERT_TRUE(holder->wait_for_output("ready"));
    }

    // What `twk scan` prints after its progress line, without the items below
    // `except`: the first ten cleanable items and the count of the rest.
    std::string scan_listing(const std::string& except = "?") const {
        std::string cleanable, locked;
        std::size_t count = 0, locked_count = 0, listed = 0;
        std::uint64_t total = 0;
        for (const Item& item : ITEMS) {
            if (item.path.starts_with(except)) continue;
            if (item.locked) locked += "  [" + format_size(item.size) + "] " + tree.path(item.path) + UNKNOWN_HOLDER;
            if (!item.locked && ++listed <= 10) cleanable += listing_line(tree, item.path, item.size);
            locked_count += item.locked;
            total += item.size;
            ++count;
        }
        cleanable += "  ... and " + std::to_string(listed - 10) + " more cleanable items\n";
        return "Scanning for cleanable items...\n[100%] Scan complete\n\nScan Results:\nTotal items: " +
               std::to_string(count) + "\nTotal size: " + format_size(total) + "\n\nItems found:\n" + cleanable +
               "\nLocked files (cannot be cleaned):\n" + locked +
               "Total locked files: " + std::to_string(locked_count) + "\n";
    }

    FixtureTree tree{"profile"};
    std::list<DirectoryLink> links;
    std::optional<BackgroundProcess> holder;
};

TEST_F(FileModulesProfile, ScanListsWhatTheRulesPickAndCleanRemovesItOrRecyclesIt) {
    const ProcessResult scan = run_twk_in_profile(tree, {"scan"});
    ASSERT_EQ(scan.exit_code, 0) << scan.output;
    EXPECT_EQ(console_text(scan.output), scan_listing());
    {
        // Any program called chrome.exe counts as Chrome running.
        const std::string fake_chrome = tree.make_dir("bin") + "\\chrome.exe";
        ASSERT_TRUE(CopyFileA(test_tool_path("lock_holder.exe").c_str(), fake_chrome.c_str(), FALSE));
        BackgroundProcess chrome(fake_chrome, {});
        ASSERT_TRUE(chrome.wait_for_output("ready"));
        EXPECT_EQ(console_text(run_twk_in_profile(tree, {"scan"}).output), scan_listing(CHROME));
    }

    for (const Item& item : ITEMS) forget_recycled(std::string(base_name(item.path)));
    const ProcessResult clean = run_twk_in_profile(tree, {"clean", "--force"});
    ASSERT_EQ(clean.exit_code, 0) << clean.output;
    std::string reports;
    std::uint64_t total = 0, freed = 0, wanted = 0, recycled_bytes = 0;
    std::size_t cleaned = 0, failed = 0, recycled = 0;
    for (const Item& item : ITEMS) {
        const std::string name(base_name(item.path));
        if (item.report == CLEANED) reports += cleaned_lines(name);
        if (item.report == FAILED) reports += "[ -1%] [>] Cleaning: " + name + "\n[ -1%] [X] Failed to clean: " + name + "\n";
        if (item.report == SKIPPED) reports += "[ -1%] [!] Skipping locked file: " + name + " (locked by System or Unknown Process)\n";
        // Progress after the batches of the first two modules: 8 and 13 of 24 items.
        if (name == "win.log") reports += "[ 33%] Cleaning files...\n[ 54%] Cleaning files...\n";
        total += item.size;
        if (item.report == CLEANED || (item.report == SILENT && !item.locked)) freed += item.size, ++cleaned;
        failed += item.report == FAILED || item.report == SILENT_FAILED;
        if (!item.locked) wanted += item.size;
        // Temporary files go to the Recycle Bin; the other modules delete.
        if (item.report == CLEANED && (item.path.starts_with("Temp\\") || item.path.starts_with("Windows\\Temp\\"))) {
            ++recycled, recycled_bytes += item.size;
        }
    }
    const std::size_t locked = std::ranges::count_if(ITEMS, [](const Item& item) { return item.locked; });
    EXPECT_EQ(console_text(clean.output), "Scanning for cleanable items...\n[100%] Scan complete\nFound " +
                                              std::to_string(ITEMS.size()) + " items (" + format_size(total) +
                                              ")\nWould clean: " + std::to_string(ITEMS.size() - locked) + " items (" +
                                              format_size(wanted) + ")\n\nCleaning...\n" + reports +
                                              "[100%] Cleaning files...\n[100%] Clean complete\n\nCleaning complete:\n"
                                              "  Cleaned: " + std::to_string(cleaned) + " items (" + format_size(freed) +
                                              ")\n  Failed: " + std::to_string(failed) + " items\n"
                                              "  Skipped: " + std::to_string(locked) + " items\n"
                                              "  In the Recycle Bin: " + std::to_string(recycled) + " items (" +
                                              format_size(recycled_bytes) + ")\n");

    for (const FixtureFile& file : FILES) EXPECT_EQ(tree.exists(file.path), file.kept_by_clean) << file.path;
    for (const char* gone : {"Local\\Google\\Chrome\\User Data\\Default\\Cache", "Windows\\SoftwareDistribution\\Download\\pkg1"}) {
        EXPECT_FALSE(tree.exists(gone)) << gone;  // directory items go whole
    }
    for (const char* kept : {"Temp\\a\\b\\c", "Windows\\SoftwareDistribution\\Download\\emptydir",
                             "Local\\Google\\Chrome\\User Data\\Profile 3\\Cache", "Roaming\\Opera Software\\Opera Stable\\Cache"}) {
        EXPECT_TRUE(tree.exists(kept)) << kept;
    }
    for (const DirectoryLink& link : links) EXPECT_TRUE(link.exists());
    for (const char* name : {"old.log", "deep.log", "hidden.txt", "win.log"}) {
        EXPECT_NE(GetFileAttributesA(recycle_bin_path(name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
    }
}

}  // namespace
