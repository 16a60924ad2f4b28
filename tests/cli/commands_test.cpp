#include "cli/commands.h"

#include "engine/cleaner.h"
#include "support/console_capture.h"
#include "support/fake_modules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_fake_modules();
        cleaner_init();
        ASSERT_TRUE(cleaner_register_module(fake_module(0)));
    }
    void TearDown() override { cleaner_shutdown(); }

    static ConsoleRun run(CliOptions options, const std::string& input = "") {
        return run_on_console([&] { return run_command(options); }, input);
    }
    static CliOptions command(const char* word) {
        CliOptions options;
        options.command = word;
        return options;
    }
    static void report(ItemList items) { fake_state(0).items = std::move(items); }
};

ItemList numbered_items(int count, std::uint64_t size = 1024) {
    ItemList items;
    for (int i = 1; i <= count; ++i) items.push_back(make_item("C:\\t\\f" + std::to_string(i), size));
    return items;
}

TEST_F(CommandTest, ScanListsTenCleanableItemsThenTheLockedSection) {
    ItemList items = numbered_items(12);
    items[2] = make_locked_item("C:\\t\\held.db", 2048, "msedge.exe", 4242);
    items[10] = make_locked_item("C:\\t\\orphan.db", 0, nullptr, 0);
    report(items);

    const ConsoleRun scan = run(command("scan"));

    EXPECT_EQ(scan.status, 0);
    EXPECT_EQ(scan.output,
              "Scanning for cleanable items...\n"
              "\r[  0%] Fake Module 0\r[100%] Scan complete\n"
              "\nScan Results:\nTotal items: 12\nTotal size: 12.00 KB\n"
              "\nItems found:\n"
              "  [1.00 KB] C:\\t\\f1\n  [1.00 KB] C:\\t\\f2\n  [1.00 KB] C:\\t\\f4\n  [1.00 KB] C:\\t\\f5\n"
              "  [1.00 KB] C:\\t\\f6\n  [1.00 KB] C:\\t\\f7\n  [1.00 KB] C:\\t\\f8\n  [1.00 KB] C:\\t\\f9\n"
              "  [1.00 KB] C:\\t\\f10\n  [1.00 KB] C:\\t\\f12\n"
              "\nLocked files (cannot be cleaned):\n"
              "  [2.00 KB] C:\\t\\held.db - LOCKED by msedge.exe (PID: 4242)\n"
              "  [0 B] C:\\t\\orphan.db - LOCKED by unknown process\n"
              "Total locked files: 2\n");
}

// Quiet and verbose change nothing. (The end-to-end profile shows the
// cleanable items cut at ten.)
TEST_F(CommandTest, ScanListsFiveLockedItemsAndCountsTheRest) {
    ItemList locked;
    for (int i = 1; i <= 7; ++i) locked.push_back(make_locked_item("C:\\l" + std::to_string(i), 1, "x.exe", i));
    report(locked);
    const std::string output = run(command("scan")).output;
    EXPECT_THAT(output, HasSubstr("\nItems found:\n\nLocked files (cannot be cleaned):\n"));
    EXPECT_THAT(output, HasSubstr("C:\\l5 - LOCKED by x.exe (PID: 5)\n  ... and 2 more locked files\n"
                                  "Total locked files: 7\n"));
    EXPECT_THAT(output, Not(HasSubstr("C:\\l6")));
    CliOptions loud = command("scan");
    loud.verbose = loud.quiet = true;
    EXPECT_EQ(run(loud).output, output);
}

TEST_F(CommandTest, CleanAsksFirstAndOnlyAYesCleansUnlessItIsADryRun) {
    report(numbered_items(2, 512));
    for (const char* refusal : {"n\n", "\n", "", "Nope\n"}) {
        const ConsoleRun declined = run(command("clean"), refusal);
        EXPECT_EQ(declined.status, 8) << refusal;
        EXPECT_THAT(declined.output, ::testing::EndsWith("Found 2 items (1.00 KB)\nWould clean: 2 items (1.00 KB)\n"
                                                         "\nDo you want to clean these items? [y/N]: Cancelled.\n"));
    }
    // Forced cleans are shown end to end; a dry run is not, and wins over --force.
    CliOptions dry = command("clean");
    dry.force = dry.dry_run = true;
    const ConsoleRun dry_run = run(dry);
    EXPECT_EQ(dry_run.status, 0);
    EXPECT_THAT(dry_run.output, ::testing::EndsWith("Would clean: 2 items (1.00 KB)\n\nDry run mode - no files will be deleted.\n"));
    EXPECT_THAT(fake_state(0).batches, ::testing::IsEmpty());

    const ConsoleRun accepted = run(command("clean"), "yes please\n");
    EXPECT_EQ(accepted.status, 0);
    EXPECT_EQ(fake_state(0).batches.size(), 1u);
    EXPECT_THAT(accepted.output, ::testing::EndsWith("[y/N]: \nCleaning...\n"
                                                     "\r[100%] Cleaning files...\n\r[100%] Clean complete\n"
                                                     "\nCleaning complete:\n  Cleaned: 2 items (1.00 KB)\n"
                                                     "  Failed: 0 items\n"));
}

// What would go counts only selected items nobody holds; with -v every item
// that stayed is named with its reason after the totals.
TEST_F(CommandTest, CleanSaysWhatWouldGoAndWhyTheRestStayed) {
    ItemList items = numbered_items(1, 512);
    items.push_back(make_locked_item("C:\\t\\held.db", 100, "chrome.exe", 1234));
    items.push_back(make_item("C:\\t\\copy.bin", 300));
    items.back().selected = false;
    report(items);
    fake_state(0).clean_result = false;
    CliOptions verbose = command("clean");
    verbose.force = verbose.verbose = true;
    EXPECT_THAT(run(verbose).output, ::testing::EndsWith("Found 3 items (912 B)\nWould clean: 1 items (512 B)\n"
                                                         "\nCleaning...\n\r[100%] Cleaning files...\n\r[100%] Clean complete\n"
                                                         "\nCleaning complete:\n  Cleaned: 0 items (0 B)\n  Failed: 1 items\n"
                                                         "  Skipped: 2 items\n"
                                                         "  C:\\t\\f1: scripted failure\n"
                                                         "  C:\\t\\held.db: in use by chrome.exe (PID 1234)\n"
                                                         "  C:\\t\\copy.bin: not selected\n"));
}

TEST_F(CommandTest, UnknownCommandsAndModulesAreRejectedAndAFailedScanIs99) {
    for (const char* word : {"scan", "clean"}) {
        CliOptions options = command(word);
        options.modules = {"temp_files", "tmp_files"};
        const ConsoleRun refused = run(options);
        EXPECT_EQ(std::pair(refused.status, refused.output),
                  std::pair(1, std::string("Error: Unknown module 'tmp_files'\nRun 'twk list-modules' for the module ids.\n")));
    }
    EXPECT_EQ(fake_state(0).scans, 0);

    const ConsoleRun unknown = run(command("config"));
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.output, "Error: Unknown command 'config'\nRun 'twk --help' for usage information.\n");
    EXPECT_EQ(run(CliOptions{}).status, 1);

    // Memory runs out inside the module; then a stopped engine returns no results record.
    fake_state(0).throws = true;
    for (const char* progress : {"\r[  0%] Fake Module 0", ""}) {
        for (const char* word : {"scan", "clean"}) {
            const ConsoleRun failed = run(command(word));
            EXPECT_EQ(std::pair(failed.status, failed.output),
                      std::pair(99, "Scanning for cleanable items...\n" + std::string(progress) + "Error: Scan failed\n"));
        }
        cleaner_shutdown();
    }
}

}  // namespace
