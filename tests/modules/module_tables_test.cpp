// A check over every fixed table: catches typos in the data itself.

#include "modules/modules.h"

#include "engine/file_system.h"
#include "gui/gui_modules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(ModuleTables, EveryTemplateExpandsAndEveryPatternIsSet) {
    const std::pair<const char*, std::vector<ModuleTableRow>> tables[] = {
        {"temp_files", temp_files_table()},
        {"browser_cache", browser_cache_table()},
        {"windows_cleanup", windows_cleanup_table()},
    };
    for (const auto& [module, rows] : tables) {
        EXPECT_FALSE(rows.empty()) << module;
        for (const ModuleTableRow& row : rows) {
            ASSERT_TRUE(row.name && row.path_template && row.pattern) << module;
            EXPECT_NE(*row.name, '\0') << module;
            EXPECT_NE(*row.pattern, '\0') << module << ": " << row.name;
            const auto expanded = expand_env_path(row.path_template);
            ASSERT_TRUE(expanded) << row.path_template;
            EXPECT_EQ(expanded->find('%'), std::string::npos) << row.path_template << " -> " << *expanded;
        }
    }
}

TEST(ModuleTables, LocationNamesAreDistinctAndNoRowIsMissing) {
    std::set<std::string> locations;
    for (const ModuleTableRow& row : windows_cleanup_table()) EXPECT_TRUE(locations.insert(row.name).second) << row.name;
    EXPECT_EQ(locations.size(), 12u);
    EXPECT_EQ(browser_cache_table().size(), 15u);  // five browsers: cache, cookies, history
}

// The one ordered list of records: fixed order, every text set, and the
// window's own rows keyed to the records in the same order.
TEST(ModuleRecords, OneOrderedListThatTheWindowFollows) {
    std::vector<std::string> ids;
    for (const CleanerModule* module : all_modules()) {
        ids.emplace_back(module->id);
        for (const char* text : {module->display_name, module->summary, module->window_label}) {
            ASSERT_TRUE(text && *text) << module->id;
        }
        EXPECT_TRUE(module->scan && module->clean) << module->id;
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"temp_files", "browser_cache", "windows_cleanup", "duplicate_finder",
                                             "registry_cleaner"}));
    ASSERT_EQ(std::size(GUI_MODULES), all_modules().size());
    for (std::size_t i = 0; i < all_modules().size(); ++i) EXPECT_EQ(GUI_MODULES[i].module, all_modules()[i]) << i;
}

}  // namespace
