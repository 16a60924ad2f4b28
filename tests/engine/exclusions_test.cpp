#include "engine/exclusions.h"

#include <gtest/gtest.h>

namespace {

// Places that do not exist have no identity: only their paths keep items
// out, without regard to case and on whole components. (The end-to-end tests
// show existing places recognised through a link.)
TEST(Exclusions, PathsCoverWhatLiesAtOrBelowThemAndDirectoriesHoldingThem) {
    Exclusions exclusions({"Q:\\Nowhere\\Keep", "Q:\\Else\\Deep\\Inside\\", "R:\\"});
    const struct {
        const char* path;
        CleanItemType type;
        bool covered;
    } cases[] = {
        {"Q:\\nowhere\\KEEP", ITEM_DIRECTORY, true},
        {"Q:\\Nowhere\\Keep\\a\\b.log", ITEM_FILE, true},
        {"Q:\\Nowhere\\Keepsake.log", ITEM_FILE, false},
        {"Q:\\Nowhere\\Kee", ITEM_FILE, false},
        {"Q:\\Else\\Deep", ITEM_DIRECTORY, true},  // removing it would take the place along
        {"Q:\\Else\\Deep", ITEM_FILE, false},
        {"Q:\\Else\\Deeper", ITEM_DIRECTORY, false},
        {"R:\\any\\thing.txt", ITEM_FILE, true},
        {"Q:\\Nowhere\\Keep\\value", ITEM_REGISTRY_VALUE, false},
    };
    for (const auto& c : cases) {
        CleanItem item;
        item.path = c.path;
        item.type = c.type;
        EXPECT_EQ(exclusions.covers(item), c.covered) << c.path << " type " << c.type;
    }
}

}  // namespace
