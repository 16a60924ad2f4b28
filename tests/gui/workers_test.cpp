#include "gui_harness.h"

#include "engine/cleaner.h"
#include "support/fake_modules.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace {

std::string masked(const std::string& text) {
    return std::regex_replace(text, std::regex("completed in [0-9]+\\.[0-9] seconds"), "completed in S seconds");
}

class WorkerReports : public ::testing::Test {
protected:
    void SetUp() override {
        reset_fake_modules();
        cleaner_init();
        for (int slot = 0; slot < GUI_MODULE_COUNT; ++slot) {  // the window's module ids on fake modules
            fake_state(slot).id = GUI_MODULES[slot].module->id;
            ASSERT_TRUE(cleaner_register_module(fake_module(slot)));
        }
        g_gui.module_selected = {1, 1, 1, 1, 0};
        g_gui.scan_results.reset();
        g_gui.has_results = false;
        g_gui.clean_outcome_shown = false;
        g_gui.clean_selection = {1, 1, 1, 1, 0};
        g_gui.cancel_requested = false;
        set_log("");
    }
    void TearDown() override { cleaner_shutdown(); g_gui.scan_results.reset(); }
    static void run(LPTHREAD_START_ROUTINE worker, std::atomic<bool>& flag) {
        flag = true;
        g_gui.operation_start_tick = GetTickCount();
        worker(nullptr);
        EXPECT_FALSE(flag);
    }
    // As the Scan button starts it; `ticked_meanwhile` becomes the selection while it runs.
    static void scan(const ModuleSelection& ticked_meanwhile) {
        const ModuleSelection at_start = g_gui.module_selected;
        gui_start_scan();
        g_gui.module_selected = ticked_meanwhile;
        ASSERT_EQ(WaitForSingleObject(g_gui.scan_thread.get(), 30000), WAIT_OBJECT_0);
        EXPECT_FALSE(g_gui.scanning);
        g_gui.module_selected = at_start;
    }
};

// Items count by the module tag in front of the description, never by its words.
TEST(TallyRules, TheModuleTagDecides) {
    EXPECT_EQ(gui_tally_entry("[temp_files] Old file"), 0);
    EXPECT_EQ(gui_tally_entry("[windows_cleanup] Temp files"), 2);
    EXPECT_EQ(gui_tally_entry("[browser_cache] Edge cache"), 1);
    EXPECT_EQ(gui_tally_entry("[windows_cleanup] Delivery cache"), 2);
    EXPECT_EQ(gui_tally_entry("[duplicate_finder] 2 copies"), 3);
    EXPECT_EQ(gui_tally_entry("[registry_cleaner] Missing file"), 4);
    EXPECT_EQ(gui_tally_entry("[temp_filesx] Old file"), -1);
    EXPECT_EQ(gui_tally_entry("Temp [temp_files]"), -1);
    EXPECT_EQ(gui_tally_entry(""), -1);
}

TEST_F(WorkerReports, ScanReportKeepsToTheModulesTickedAtTheStart) {
    fake_state(0).items = {make_item("C:\\t\\a.log", 2048, "Temporary file"), make_item("C:\\t\\b.log", 1024, "Temporary file")};
    fake_state(3).items = {make_item("C:\\d\\big.iso", 10485760, "Duplicate of C:\\e\\big.iso")};
    fake_state(4).items = {make_item("HKCU\\x", 0, "Missing file")};  // unticked: not scanned

    scan({0, 0, 0, 0, 1});  // the report keeps to what was ticked at the start

    const std::string log = log_text();
    EXPECT_NE(log.find("\n📑 Duplicate Files:\n   Status: ✓ Scanned\n   Duplicates found: 1\n"
                       "   Total wasted space: 10.00 MB\n\n---"), std::string::npos);
    EXPECT_EQ(log.find("Registry"), std::string::npos);
    EXPECT_EQ(fake_state(4).scans, 0);
    EXPECT_GE(g_gui.scan_done_minute, 0);
}

TEST_F(WorkerReports, WithNoModuleTickedEveryModuleIsScannedButNoneIsListed) {
    g_gui.module_selected = {0, 0, 0, 0, 0};
    fake_state(2).items = {make_item("C:\\w\\x.log", 5, "Windows log")};
    scan(g_gui.module_selected);
    const std::string log = log_text();
    EXPECT_NE(log.find("MODULE STATUS:\n--------------\n=== SCAN COMPLETE ==="), std::string::npos);
    EXPECT_NE(log.find("Total items found: 1\n"), std::string::npos);
    EXPECT_NE(log.find("MODULE DETAILS:\n--------------\n\n----"), std::string::npos);
    EXPECT_EQ(fake_state(4).scans, 1);
}

// The registry cleaner is off unless enabled; the browser line names the
// browsers looked at and warns of running ones only when there were any.
TEST_F(WorkerReports, ScanReportSaysWhatRanAndWhatWasChecked) {
    g_gui.module_selected = {0, 1, 1, 0, 1};
    fake_state(1).items = {make_item("C:\\b\\cache", 50, "Opera")};
    fake_state(2).items = {make_item("C:\\w\\a.db", 5, "Icon Cache"), make_item("C:\\w\\b.db", 5, "Icon Cache"),
                           make_item("C:\\w\\c.log", 5, "Windows Log Files")};
    scan(g_gui.module_selected);
    const std::string log = log_text();
    EXPECT_NE(log.find("🌐 Browser Cache:\n   Status: ✓ Scanned\n   Items found: 1\n   Total size: 50 B\n"
                       "   Browsers checked: Google Chrome, Microsoft Edge, Mozilla Firefox, Opera, Brave\n⊞"),
              std::string::npos) << log;
    EXPECT_NE(log.find("⊞ Windows Caches & Logs:\n   Status: ✓ Scanned\n   Items found: 3\n   Total size: 15 B\n"
                       "   Locations: Icon Cache, Windows Log Files\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find("🔧 Registry Cleaner:\n   Status: Not enabled\n\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("may be running"), std::string::npos);
}

class CleanWorker : public WorkerReports {
protected:
    void SetUp() override {
        WorkerReports::SetUp();
        fake_state(0).items = {make_item("C:\\t\\1.log", 100), make_item("C:\\t\\2.log", 100), make_item("C:\\t\\3.log", 100)};
        fake_state(1).items = {make_item("C:\\b\\cache", 50, "Chrome cache")};
        g_gui.scan_results = cleaner_scan();
        g_gui.has_results = true;
        g_gui.result_items = 4;
    }
    static const ItemList& held() { return g_gui.scan_results->items; }
};

TEST_F(CleanWorker, ReportsEachOutcomeAndKeepsTheItemsWithThem) {
    fake_state(1).clean_result = false;
    run(clean_worker, g_gui.cleaning);

    EXPECT_EQ(masked(log_text()),
              "\n=== CLEANING STARTED ===\n=======================\n"
              "Total items to clean: 4\nTotal size to clean: 350 B\n"
              "=== CLEAN COMPLETE ===\n=====================\n"
              "CLEAN SUMMARY:\n-------------\n✓ Items cleaned: 3\n✓ Space freed: 300 B\n"
              "⚠ Failed items: 1\n\nDETAILS:\n--------\n\n❌ OTHER ERRORS (1):\n   • C:\\b\\cache: scripted failure\n"
              "------------------------\nSuccess rate: 75.0%\n"
              "Clean completed in S seconds\n");
    EXPECT_STREQ(g_gui.status_text, "✅ Cleaned 300 B");
    EXPECT_TRUE(g_gui.clean_outcome_shown);
    ASSERT_NE(g_gui.scan_results, nullptr);  // the list stays, with the outcomes
    EXPECT_EQ(held()[0].outcome, ItemOutcome::removed);
    EXPECT_EQ(held()[3].outcome, ItemOutcome::failed);
    EXPECT_EQ(held()[3].reason, "scripted failure");
    EXPECT_EQ(fake_state(0).batches.size(), 3u);  // one item at a time
    EXPECT_EQ(g_progress_callback.load(), nullptr);
}

// An unticked row and the rows of an unticked module never reach a module.
TEST_F(CleanWorker, ActsOnlyOnTickedRowsOfTickedModules) {
    g_gui.scan_results->items[1].selected = false;
    g_gui.clean_selection = {1, 0, 1, 1, 0};
    run(clean_worker, g_gui.cleaning);
    EXPECT_EQ(fake_state(0).batches.size(), 2u);
    EXPECT_TRUE(fake_state(1).batches.empty());
    EXPECT_EQ(held()[1].outcome, ItemOutcome::pending);
    EXPECT_EQ(held()[3].outcome, ItemOutcome::pending);
    EXPECT_NE(log_text().find("✓ Items cleaned: 2\n✓ Space freed: 200 B\n------------------------\nSuccess rate: 100.0%\n"),
              std::string::npos) << log_text();
}

TEST_F(CleanWorker, ACancelledCleanSkipsWhatItDidNotReachAndStillReports) {
    g_gui.cancel_requested = true;  // pressed before the first item
    run(clean_worker, g_gui.cleaning);
    EXPECT_TRUE(fake_state(0).batches.empty());
    EXPECT_EQ(held()[2].outcome, ItemOutcome::skipped);
    EXPECT_EQ(held()[2].reason, "cancelled");
    const std::string log = log_text();
    EXPECT_NE(log.find("=== CLEAN CANCELLED ===\n=====================\nCLEAN SUMMARY:\n-------------\n"
                       "✓ Items cleaned: 0\n✓ Space freed: 0 B\nSkipped: 4 items\n"),
              std::string::npos) << log;
}

TEST_F(WorkerReports, ACleanThatCleansNothingGivesTheTip) {
    fake_state(0).items = {make_item("C:\\t\\1.log", 100)};
    fake_state(0).clean_result = false;
    g_gui.scan_results = cleaner_scan();
    run(clean_worker, g_gui.cleaning);
    const std::string log = log_text();
    EXPECT_NE(log.find("Success rate: 0.0%\n\n💡 TIP: All files were locked or in use.\n"), std::string::npos);
    EXPECT_NE(log.find("   • Run as Administrator for better access to system files\n"), std::string::npos);
}

TEST_F(WorkerReports, ACleanThatRunsOutOfMemoryShowsItsFailureLine) {
    fake_state(0).items = {make_item("C:\\t\\1.log", 100)};
    g_gui.scan_results = cleaner_scan();
    fake_state(0).throws = true;
    run(clean_worker, g_gui.cleaning);
    EXPECT_NE(log_text().find("=== CLEAN COMPLETE ===\n=====================\n✖ ERROR: Clean operation failed\n"),
              std::string::npos);
    EXPECT_STREQ(g_gui.status_text, "✖ Clean failed");
}

TEST_F(WorkerReports, CleanWithoutResultsOrItemsStopsAtTheError) {
    run(clean_worker, g_gui.cleaning);
    EXPECT_NE(log_text().find("✖ ERROR: No scan results available\n"), std::string::npos);

    set_log("");
    g_gui.scan_results = std::make_unique<ScanResults>();
    run(clean_worker, g_gui.cleaning);
    EXPECT_NE(log_text().find("=======================\n✖ ERROR: No items to clean\n"), std::string::npos);
    EXPECT_NE(g_gui.scan_results, nullptr);  // still held
}

}  // namespace
