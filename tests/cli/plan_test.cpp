#include "cli/plan.h"

#include "cli/json_report.h"
#include "engine/cleaner.h"
#include "support/console_capture.h"
#include "support/fake_modules.h"
#include "support/fixture_tree.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

CleanItem scanned_item(const char* path, CleanItemType type) {
    CleanItem item = make_item(path, 10);
    item.type = type;
    if (type != ITEM_REGISTRY_VALUE) item.snapshot = FileSnapshot{{7, 0x1234567890}, 10, 133'000'000'000'000'000};
    return item;
}

// A file, a registry value and a duplicate copy, each with what its scan records.
ItemList scanned_items() {
    ItemList items{scanned_item("C:\\t\\file.log", ITEM_FILE), scanned_item("HKEY_CURRENT_USER\\k\\v", ITEM_REGISTRY_VALUE),
                   scanned_item("C:\\d\\copy.bin", ITEM_FILE)};
    items[1].registry_value = std::make_shared<RegistryValueSnapshot>(RegistryValueSnapshot{REG_SZ, "C:\\gone.exe"});
    items[2].duplicate_group = std::make_shared<DuplicateGroup>(
        DuplicateGroup{1, "0123abcd", "C:\\d\\kept.bin", {{7, 0x99}, 10, 133'000'000'000'000'000}});
    return items;
}

class PlanTest : public ::testing::Test {
protected:
    void SetUp() override {
        reset_fake_modules();
        cleaner_init();
        ASSERT_TRUE(cleaner_register_module(fake_module(0)));
        fake_state(0).items = scanned_items();
    }
    void TearDown() override {
        const char* plain[] = {"twk"};
        run_arguments(1, plain);
        cleaner_shutdown();
    }

    // The plan `twk scan --json` makes of the fake module's items, taken up for a clean.
    void take_up_plan() {
        CliOptions scan;
        scan.command = "scan";
        scan.json = true;
        const std::string plan = run_on_console([&] { return *run_json_command(scan); }).output;
        const std::string argument = "--plan=" + tree.write_text("plan.json", plan);
        const char* argv[] = {"twk", "clean", argument.c_str()};
        ASSERT_TRUE(run_arguments(3, argv));
    }

    FixtureTree tree{"plan-unit"};
};

// Files by identity, size and time; registry values by type and data;
// duplicate copies also by their group's kept copy.
TEST_F(PlanTest, ItemsThatDifferFromThePlanFailAndMissingOnesAreSkipped) {
    take_up_plan();
    using Change = std::function<void(ItemList&)>;
    const std::pair<Change, std::vector<std::string>> cases[] = {
        {[](ItemList&) {}, {"pending", "pending", "pending"}},
        {[](ItemList& i) { i[0].snapshot->last_write += 1; }, {"failed", "pending", "pending"}},
        {[](ItemList& i) { i[0].snapshot->identity.file_id += 1; }, {"failed", "pending", "pending"}},
        {[](ItemList& i) { i[0].size += 1; }, {"failed", "pending", "pending"}},
        {[](ItemList& i) { i[0].snapshot.reset(); }, {"failed", "pending", "pending"}},
        {[](ItemList& i) { i[1].registry_value = std::make_shared<RegistryValueSnapshot>(RegistryValueSnapshot{REG_SZ, "C:\\new.exe"}); },
         {"pending", "failed", "pending"}},
        {[](ItemList& i) { i[1].registry_value = std::make_shared<RegistryValueSnapshot>(RegistryValueSnapshot{REG_EXPAND_SZ, "C:\\gone.exe"}); },
         {"pending", "failed", "pending"}},
        {[](ItemList& i) { i[2].duplicate_group = std::make_shared<DuplicateGroup>(DuplicateGroup{1, "0123abcd", "C:\\d\\other.bin", {{7, 0x99}, 10, 133'000'000'000'000'000}}); },
         {"pending", "pending", "failed"}},
        {[](ItemList& i) { i[2].duplicate_group.reset(); }, {"pending", "pending", "failed"}},
        {[](ItemList& i) { i.erase(i.begin()); }, {"skipped", "pending", "pending"}},
    };
    for (const auto& [change, expected] : cases) {
        fake_state(0).items = scanned_items();
        change(fake_state(0).items);
        const CleanScan scan = scan_for_clean();
        ASSERT_TRUE(scan.results);
        std::vector<std::string> outcomes;
        for (const CleanItem& item : scan.results->items) {
            const char* names[] = {"pending", "removed", "skipped", "failed"};
            outcomes.emplace_back(names[static_cast<int>(item.outcome)]);
        }
        EXPECT_EQ(outcomes, expected);
    }
}

TEST(PlanFields, TimesAreUtcWithSevenDecimals) {
    const SYSTEMTIME leap_day{2024, 2, 4, 29, 23, 59, 59, 0};
    FILETIME time;
    ASSERT_TRUE(SystemTimeToFileTime(&leap_day, &time));
    const std::uint64_t ticks = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime) + 1'234'567;
    EXPECT_EQ(iso_utc_time(ticks), "2024-02-29T23:59:59.1234567Z");
}

}  // namespace
