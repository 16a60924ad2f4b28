// Links where a module expects a directory of its own, and items that changed
// between the scan and the clean: the first are never listed, the second
// fail and are left as they are.

#include "modules/modules.h"

#include "support/fake_modules.h"
#include "support/directory_link.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace std::string_literals;

namespace {

class LinksAndChanges : public ::testing::Test {
protected:
    void SetUp() override { use_profile_environment(tree); }

    static ItemList scan(const CleanerModule& module) {
        EXPECT_TRUE(module.init());
        ItemList items;
        module.scan(items);
        return items;
    }

    FixtureTree tree{"links"};
};

// Deleting a link frees nothing and undoes the user's redirection; listing
// it would report its target's size as freed.
TEST_F(LinksAndChanges, LinkedCachesAndLocationsAreNotListed) {
    const std::string chrome = "Local\\Google\\Chrome\\User Data\\", explorer = "Local\\Microsoft\\Windows\\Explorer\\";
    for (const std::string& file :
         {"Target\\Cache\\x"s, "Target\\Cache_Data\\o"s, chrome + "Default\\Cache\\d", explorer + "thumbcache_2.db"}) {
        tree.write_file(file, 7);
    }
    // A cache that is itself a link, a fixed directory above a cache, a whole
    // Windows location, and an entry of a location.
    const DirectoryLink links[] = {
        {tree.make_dir(chrome + "Linked") + "\\Cache", tree.path("Target\\Cache")},
        {tree.make_dir("Roaming\\Opera Software\\Opera Stable") + "\\Cache", tree.path("Target")},
        {tree.path("Local\\D3DSCache"), tree.path("Target")},
        {tree.path(explorer + "thumbcache_1.db"), tree.path("Target\\Cache")},
    };
    const std::pair<const CleanerModule*, std::string> only_listed[] = {
        {&browser_cache_module, chrome + "Default\\Cache"}, {&windows_cleanup_module, explorer + "thumbcache_2.db"}};
    for (const auto& [module, path] : only_listed) {
        const ItemList items = scan(*module);
        if (module->cleanup) module->cleanup();
        ASSERT_EQ(items.size(), 1u) << path;
        EXPECT_EQ(items[0].path, tree.path(path));
    }
}

// The window's clean may come hours after its scan; whatever took a listed
// item's place is not what the user chose to delete.
TEST_F(LinksAndChanges, ItemsReplacedSinceTheScanFailAndStay) {
    // A file replaced by a directory holding a canary, directories replaced by a file.
    const std::tuple<const CleanerModule*, std::string, bool> changes[] = {
        {&temp_files_module, "Temp\\old.log", true},
        {&windows_cleanup_module, "Local\\D3DSCache\\shaders", false},
        {&browser_cache_module, "Roaming\\Opera Software\\Opera Stable\\Cache\\Cache_Data", false},
    };
    for (const auto& [module, listed, was_file] : changes) {
        tree.write_file(was_file ? listed : listed + "\\s1", 9);
        tree.set_age_seconds(listed, 2 * 86400);
        const ItemList items = scan(*module);
        ASSERT_EQ(items.size(), 1u) << listed;
        remove_tree(tree.path(listed));
        const std::string canary = was_file ? listed + "\\canary" : listed;
        tree.write_file(canary, 4);
        EXPECT_FALSE(cleans_all(*module, items)) << listed;
        EXPECT_TRUE(tree.exists(canary)) << canary;
        if (module->cleanup) module->cleanup();
    }
}

// Wine marks no Unix symbolic link to a file, and deleting one deletes its
// target: in the temporary folder its item fails when the clean opens it,
// inside a browser cache it stays, and the cache fails as holding a link.
TEST_F(LinksAndChanges, UnixFileLinksLeaveTheirTargets) {
    const std::string cache = "Local\\Google\\Chrome\\User Data\\Default\\Cache";
    tree.write_file("Outside\\precious.log", 5);
    tree.set_age_seconds("Outside\\precious.log", 2 * 86400);
    tree.write_file(cache + "\\data_0", 7);
    const DirectoryLink links[] = {{tree.make_dir("Temp") + "\\link.log", tree.path("Outside\\precious.log")},
                                   {tree.path(cache + "\\link"), tree.path("Outside\\precious.log")}};
    ItemList temps = scan(temp_files_module);
    temp_files_module.clean(temps);
    for (const CleanItem& item : temps) EXPECT_EQ(item.reason, "changed since the scan") << item.path;
    ItemList caches = scan(browser_cache_module);
    ASSERT_EQ(caches.size(), 1u);
    browser_cache_module.clean(caches);
    EXPECT_EQ(std::make_pair(caches[0].outcome, caches[0].reason), std::make_pair(ItemOutcome::failed, "holds a link"s));
    EXPECT_TRUE(tree.exists("Outside\\precious.log"));
    for (const DirectoryLink& link : links) EXPECT_TRUE(link.exists());
}

}  // namespace
