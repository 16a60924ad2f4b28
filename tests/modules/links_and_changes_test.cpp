// Links where a module expects a directory of its own, and items that changed
// between the scan and the clean: the first are never listed, the second
// fail and are left as they are.

#include "modules/modules.h"

#include "support/directory_link.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LinksAndChanges : public ::testing::Test {
protected:
    void SetUp() override { use_profile_environment(tree); }

    ItemList scan(const CleanerModule& module) const {
        EXPECT_TRUE(module.init());
        ItemList items;
        module.scan(items);
        return items;
    }

    std::vector<std::string> scanned_paths(const CleanerModule& module) const {
        std::vector<std::string> paths;
        for (const CleanItem& item : scan(module)) paths.push_back(item.path);
        if (module.cleanup) module.cleanup();
        return paths;
    }

    FixtureTree tree{"links"};
};

// Deleting a link frees nothing and undoes the user's redirection; listing
// it would report its target's size as freed.
TEST_F(LinksAndChanges, LinkedCachesAndLocationsAreNotListed) {
    constexpr const char* CHROME = "Local\\Google\\Chrome\\User Data\\";
    constexpr const char* EXPLORER = "Local\\Microsoft\\Windows\\Explorer\\";
    tree.write_file("Target\\Cache\\x", 25);
    tree.write_file("Target\\Cache_Data\\o", 40);
    tree.write_file(std::string(CHROME) + "Default\\Cache\\d", 7);
    tree.make_dir(std::string(CHROME) + "Linked");
    tree.make_dir("Roaming\\Opera Software\\Opera Stable");
    tree.write_file(std::string(EXPLORER) + "thumbcache_2.db", 3);
    // A cache that is itself a link, a fixed directory above a cache, a whole
    // Windows location, and an entry of a location.
    const DirectoryLink links[] = {
        {tree.path(std::string(CHROME) + "Linked\\Cache"), tree.path("Target\\Cache")},
        {tree.path("Roaming\\Opera Software\\Opera Stable\\Cache"), tree.path("Target")},
        {tree.path("Local\\D3DSCache"), tree.path("Target")},
        {tree.path(std::string(EXPLORER) + "thumbcache_1.db"), tree.path("Target\\Cache")},
    };
    EXPECT_EQ(scanned_paths(browser_cache_module), std::vector{tree.path(std::string(CHROME) + "Default\\Cache")});
    EXPECT_EQ(scanned_paths(windows_cleanup_module), std::vector{tree.path(std::string(EXPLORER) + "thumbcache_2.db")});
}

// The window's clean may come hours after its scan; whatever took a listed
// item's place is not what the user chose to delete.
TEST_F(LinksAndChanges, ItemsReplacedSinceTheScanFailAndStay) {
    struct Change {
        const CleanerModule* module;
        const char* listed;
        bool was_file;  // replaced by a directory holding a canary; else by a file
    };
    const Change changes[] = {
        {&temp_files_module, "Temp\\old.log", true},
        {&windows_cleanup_module, "Local\\D3DSCache\\shaders", false},
        {&browser_cache_module, "Roaming\\Opera Software\\Opera Stable\\Cache\\Cache_Data", false},
    };
    for (const Change& change : changes) {
        const std::string listed = change.listed;
        tree.write_file(change.was_file ? listed : listed + "\\s1", 9);
        tree.set_age_days(listed, 2);
        const ItemList items = scan(*change.module);
        ASSERT_EQ(items.size(), 1u) << listed;
        remove_tree(tree.path(listed));
        const std::string canary = change.was_file ? listed + "\\canary" : listed;
        tree.write_file(canary, 4);
        EXPECT_FALSE(change.module->clean(items)) << listed;
        EXPECT_TRUE(tree.exists(canary)) << canary;
        if (change.module->cleanup) change.module->cleanup();
    }
}

}  // namespace
