#include "gui/clean_plan.h"

#include "engine/cleaner.h"
#include "gui/items_view.h"

#include <gtest/gtest.h>

#include <string>

namespace {

CleanItem item(const char* module, const std::string& path, std::uint64_t size) {
    return {.path = path, .description = std::string("[") + module + "] Item", .size = size};
}

ItemList items_of(std::initializer_list<std::pair<const char*, int>> counts, std::uint64_t size = 1024) {
    ItemList items;
    for (const auto& [module, count] : counts) {
        for (int i = 0; i < count; ++i) items.push_back(item(module, std::string(module) + "\\" + std::to_string(i), size));
    }
    return items;
}

constexpr ModuleSelection ALL = {1, 1, 1, 1, 1};

std::string question(const ItemList& items, const ModuleSelection& modules = ALL) {
    return gui_confirmation_text(gui_summarise_plan(items, gui_clean_plan(items, modules)));
}

// The question names count and size, and how many go to the Recycle Bin and
// how many are deleted for good, named by their modules.
TEST(CleanPlan, TheConfirmationSaysWhereTheItemsGo) {
    ItemList mixed = items_of({{"temp_files", 3}, {"browser_cache", 5}, {"windows_cleanup", 4}});
    mixed[0].size = 13526630 - 11 * 1024;  // 12.90 MB in all
    EXPECT_EQ(question(mixed), "Clean 12 items (12.90 MB)? 3 go to the Recycle Bin; 9 browser and Windows cache items are deleted permanently.");
    EXPECT_EQ(question(items_of({{"temp_files", 1}})), "Clean 1 item (1.00 KB)? 1 goes to the Recycle Bin.");
    EXPECT_EQ(question(items_of({{"registry_cleaner", 1}, {"browser_cache", 2}})),
              "Clean 3 items (3.00 KB)? 3 browser cache and registry items are deleted permanently.");
}

// Unticked rows, the rows of unticked modules and removed items stay out.
TEST(CleanPlan, TakesTickedRowsOfTickedModulesNotYetRemoved) {
    ItemList items = items_of({{"temp_files", 3}, {"browser_cache", 2}});
    items[1].selected = false;
    items[2].outcome = ItemOutcome::removed;
    items[3].outcome = ItemOutcome::failed;  // a failure may be tried again
    EXPECT_EQ(gui_clean_plan(items, ALL), (std::vector<std::size_t>{0, 3, 4}));
    EXPECT_EQ(gui_clean_plan(items, {1, 0, 1, 1, 1}), (std::vector<std::size_t>{0}));
}

// The registry cleaner's values go in one batch (one backup); the rest one by one.
TEST(CleanPlan, BatchesAreSingleItemsExceptTheRegistry) {
    const ItemList items = items_of({{"temp_files", 2}, {"registry_cleaner", 3}, {"windows_cleanup", 1}});
    const std::vector<std::pair<std::size_t, std::size_t>> expected = {{0, 1}, {1, 2}, {2, 5}, {5, 6}};
    EXPECT_EQ(gui_clean_batches(items, gui_clean_plan(items, ALL)), expected);
}

TEST(ItemsOrder, FiltersWithoutCaseAndSortsStably) {
    ItemList items = items_of({{"temp_files", 3}, {"browser_cache", 2}});
    items[0].path = "C:\\Temp\\Report.LOG";
    items[1].size = 5;
    items[4].size = 5;
    EXPECT_EQ(gui_order_items(items, {.filter = "report.log"}), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(gui_order_items(items, {.filter = "BROWSER_"}), (std::vector<std::uint32_t>{3, 4}));
    EXPECT_EQ(gui_order_items(items, {.sort = ItemColumn::SIZE}), (std::vector<std::uint32_t>{1, 4, 0, 2, 3}));
    EXPECT_EQ(gui_order_items(items, {.sort = ItemColumn::SIZE, .descending = true}),
              (std::vector<std::uint32_t>{0, 2, 3, 1, 4}));
}

TEST(ItemsOrder, TheStateColumnTellsOutcomeOrHolder) {
    CleanItem held = item("temp_files", "a", 1);
    EXPECT_EQ(gui_item_state_text(held), "");
    held.locked = true;
    EXPECT_EQ(gui_item_state_text(held), "locked");
    held.locked_by = "editor.exe";
    held.locker_pid = 42;
    EXPECT_EQ(gui_item_state_text(held), "locked by editor.exe (42)");
    settle_skipped(held, "in use by editor.exe (PID 42)");
    EXPECT_EQ(gui_item_state_text(held), "skipped: in use by editor.exe (PID 42)");
    settle_failed(held, "Access is denied.");
    EXPECT_EQ(gui_item_state_text(held), "failed: Access is denied.");
    settle_removed(held, Removal::recycled);
    EXPECT_EQ(gui_item_state_text(held), "recycled");
}

}  // namespace
