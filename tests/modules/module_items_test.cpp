// The items each module builds, seen directly rather than through the
// console: descriptions, types and lock fields of a held file or cache.

#include "modules/modules.h"

#include "engine/win32_handle.h"
#include "support/fixture_tree.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// What one module reports for a profile with one file held open.
struct ItemsCase {
    const CleanerModule* module;
    std::vector<const char*> files;  // written two days old, the first one held
    std::vector<std::tuple<std::string, CleanItemType, bool>> items;  // description, type, locked
};

TEST(ModuleItems, DescribeFreeAndHeldItemsOfEachModule) {
    const std::string unknown = " (LOCKED by System or Unknown Process)";
    const ItemsCase cases[] = {
        {&temp_files_module,
         {"Temp\\held.log", "Temp\\free.log"},
         {{"Temporary file", ITEM_FILE, false}, {"Temporary file (LOCKED)", ITEM_FILE, true}}},
        {&browser_cache_module,
         {"Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data\\b1",
          "Roaming\\Opera Software\\Opera Stable\\Cache\\Cache_Data\\o1"},
         {{"Opera Cache", ITEM_DIRECTORY, false}, {"Brave Cache" + unknown, ITEM_DIRECTORY, true}}},
        {&windows_cleanup_module,
         {"Local\\Microsoft\\Windows\\Explorer\\thumbcache_32.db", "Local\\Microsoft\\Windows\\Explorer\\iconcache_32.db",
          "Local\\D3DSCache\\shaders\\s1"},
         {{"Thumbnail Cache" + unknown, ITEM_FILE, true}, {"Icon Cache", ITEM_FILE, false},
          {"DirectX Shader Cache", ITEM_DIRECTORY, false}}},
    };
    for (const ItemsCase& c : cases) {
        FixtureTree tree("items");
        use_profile_environment(tree);
        for (const char* file : c.files) {
            tree.write_file(file, 3);
            tree.set_age_days(file, 2);
        }
        const UniqueFileHandle held(
            CreateFileA(tree.path(c.files[0]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(c.module->init());
        ItemList items;
        const std::uint64_t count = c.module->scan(items);
        EXPECT_EQ(count, items.size());
        if (c.module->cleanup) c.module->cleanup();
        std::vector<std::tuple<std::string, CleanItemType, bool>> seen;
        for (const CleanItem& item : items) {
            seen.emplace_back(item.description, item.type, item.locked);
            EXPECT_EQ(item.selected, !item.locked) << item.path;
            EXPECT_EQ(item.locked_by.value_or(""), item.locked ? "System or Unknown Process" : "") << item.path;
            EXPECT_EQ(item.locker_pid, 0u) << item.path;
        }
        EXPECT_EQ(seen, c.items) << c.module->id;
    }
}

}  // namespace
