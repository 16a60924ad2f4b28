// The items each module builds, seen directly rather than through the
// console: descriptions, types and lock fields of a held file or cache.

#include "modules/modules.h"

#include "engine/win32_handle.h"
#include "support/fixture_tree.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ModuleItems : public ::testing::Test {
protected:
    void SetUp() override { use_profile_environment(tree); }

    // Runs a module's init and scan in this process, the profile standing in for the machine.
    ItemList scan(const CleanerModule& module) const {
        EXPECT_TRUE(module.init());
        ItemList items;
        const std::uint64_t count = module.scan(items);
        EXPECT_EQ(count, items.size());
        if (module.cleanup) module.cleanup();
        return items;
    }

    UniqueFileHandle hold(const std::string& relative) const {
        return UniqueFileHandle(
            CreateFileA(tree.path(relative).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }

    FixtureTree tree{"items"};
};

void expect_locked(const CleanItem& item, const std::string& description) {
    EXPECT_EQ(item.description, description);
    EXPECT_TRUE(item.locked);
    EXPECT_FALSE(item.selected);
    EXPECT_EQ(item.locked_by, "System or Unknown Process");
    EXPECT_EQ(item.locker_pid, 0u);
}

TEST_F(ModuleItems, TemporaryFilesDescribeFreeAndHeldFiles) {
    tree.write_file("Temp\\free.log", 3);
    tree.write_file("Temp\\held.log", 4);
    tree.set_age_days("Temp\\free.log", 2);
    tree.set_age_days("Temp\\held.log", 2);
    const UniqueFileHandle held = hold("Temp\\held.log");
    const ItemList items = scan(temp_files_module);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].description, "Temporary file");
    EXPECT_EQ(items[0].type, ITEM_FILE);
    EXPECT_TRUE(items[0].selected);
    expect_locked(items[1], "Temporary file (LOCKED)");
}

TEST_F(ModuleItems, BrowserCachesAreDirectoriesNamedAfterTheirBrowser) {
    tree.write_file("Roaming\\Opera Software\\Opera Stable\\Cache\\Cache_Data\\o1", 5);
    tree.write_file("Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data\\b1", 6);
    const UniqueFileHandle held = hold("Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data\\b1");
    const ItemList items = scan(browser_cache_module);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].description, "Opera Cache");
    EXPECT_EQ(items[0].type, ITEM_DIRECTORY);
    expect_locked(items[1], "Brave Cache (LOCKED by System or Unknown Process)");
}

TEST_F(ModuleItems, WindowsLocationsNameTheirItemsAfterTheLocation) {
    tree.write_file("Local\\Microsoft\\Windows\\Explorer\\thumbcache_32.db", 7);
    tree.write_file("Local\\Microsoft\\Windows\\Explorer\\iconcache_32.db", 8);
    tree.write_file("Local\\D3DSCache\\shaders\\s1", 9);
    const UniqueFileHandle held = hold("Local\\Microsoft\\Windows\\Explorer\\thumbcache_32.db");
    const ItemList items = scan(windows_cleanup_module);
    ASSERT_EQ(items.size(), 3u);
    expect_locked(items[0], "Thumbnail Cache (LOCKED by System or Unknown Process)");
    EXPECT_EQ(items[1].description, "Icon Cache");
    EXPECT_EQ(items[2].description, "DirectX Shader Cache");
    EXPECT_EQ(items[2].type, ITEM_DIRECTORY);
    EXPECT_EQ(items[2].size, 9u);
}

}  // namespace
