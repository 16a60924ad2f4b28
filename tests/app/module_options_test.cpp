#include "app/module_options.h"

#include "modules/duplicate_finder.h"
#include "modules/registry_cleaner.h"

#include <gtest/gtest.h>

// The end-to-end tests show options taking effect; without any, init's choices
// stand (the user's known folders cannot be pointed into a fixture).
TEST(ModuleOptions, NoOptionsLeaveWhatInitSet) {
    ASSERT_TRUE(duplicate_finder_module.init());
    ASSERT_TRUE(registry_cleaner_module.init());
    const std::vector<std::string> defaults = duplicate_finder_search_paths();
    apply_module_options({});
    EXPECT_EQ(duplicate_finder_search_paths(), defaults);
    EXPECT_FALSE(registry_cleaner_is_enabled());
    duplicate_finder_module.cleanup();
}
