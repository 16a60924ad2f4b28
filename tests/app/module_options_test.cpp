#include "app/module_options.h"

#include "modules/duplicate_finder.h"
#include "modules/registry_cleaner.h"
#include "support/fixture_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

TEST(ModuleOptions, ReadsDirectoriesAsFullPathsAndTheRegistrySwitch) {
    FixtureTree tree("options");
    tree.make_dir("a");
    tree.make_dir("b");
    SetCurrentDirectoryA(tree.root().c_str());
    const std::string absolute = "--dup-path=" + tree.path("b") + "\\";
    const char* argv[] = {"twk", "--dup-path=a", "scan", "--enable-registry", absolute.c_str()};
    const ModuleOptions options = read_module_options(5, argv);
    SetCurrentDirectoryA("Z:\\tmp");

    EXPECT_THAT(options.dup_paths, ElementsAre(tree.path("a"), tree.path("b") + "\\"));
    EXPECT_TRUE(options.enable_registry);
    const char* plain[] = {"twk", "scan", "--dup-path", "--enable-registry=yes"};
    const ModuleOptions none = read_module_options(4, plain);
    EXPECT_THAT(none.dup_paths, IsEmpty());
    EXPECT_FALSE(none.enable_registry);
}

// The end-to-end tests show options taking effect; without any, init's choices stand.
TEST(ModuleOptions, NoOptionsLeaveWhatInitSet) {
    ASSERT_TRUE(duplicate_finder_module.init());
    ASSERT_TRUE(registry_cleaner_module.init());
    const std::vector<std::string> defaults = duplicate_finder_search_paths();
    apply_module_options({});
    EXPECT_EQ(duplicate_finder_search_paths(), defaults);
    EXPECT_FALSE(registry_cleaner_is_enabled());
    duplicate_finder_module.cleanup();
}

}  // namespace
