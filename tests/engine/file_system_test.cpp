// Expansion, sizing and deletion against real trees, links and held files.

#include "engine/file_system.h"

#include "engine/win32_handle.h"
#include "support/directory_link.h"
#include "support/fixture_tree.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ExpandEnvPath, AcceptsWhatFitsAndKeepsUnknownReferences) {
    SetEnvironmentVariableA("TWK_TEST_DIR", "C:\\Windows");
    EXPECT_EQ(expand_env_path("%TWK_TEST_DIR%\\Temp"), "C:\\Windows\\Temp");
    EXPECT_EQ(expand_env_path("%TWK_UNDEFINED%\\x"), "%TWK_UNDEFINED%\\x");
    SetEnvironmentVariableA("TWK_TEST_DIR", std::string(300, 'd').c_str());
    EXPECT_FALSE(expand_env_path("%TWK_TEST_DIR%\\Temp"));  // would need more than 260 bytes
    EXPECT_FALSE(expand_env_path(nullptr));
    SetEnvironmentVariableA("TWK_TEST_DIR", nullptr);
}

TEST(CalculateDirectorySize, SumsEveryFileButNothingBehindALink) {
    FixtureTree tree("size");
    tree.write_file("top\\a", 1);
    tree.write_file("top\\.config\\b", 20);
    tree.write_file("top\\x\\y\\c", 300);
    tree.add_attributes("top\\x\\y\\c", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    tree.write_file("outside\\big", 5000);
    tree.make_dir("empty");
    DirectoryLink link(tree.path("top\\linked"), tree.path("outside"));
    DirectoryLink root_link(tree.path("rootlink"), tree.path("top"));

    EXPECT_EQ(calculate_directory_size(tree.path("top")), 321u);
    EXPECT_EQ(calculate_directory_size(tree.path("rootlink")), 321u);  // a walk's own root may be a link
    EXPECT_EQ(calculate_directory_size(tree.path("empty")), 0u);
    EXPECT_EQ(calculate_directory_size(tree.path("missing")), 0u);
}

// The guard behind the reparse test: a directory is not entered again below
// itself, by identity rather than by name, while siblings may repeat.
TEST(AncestorChain, RefusesOnlyADirectoryAlreadyOnThePath) {
    FixtureTree tree("chain");
    tree.make_dir("a\\b");
    DirectoryLink alias(tree.path("alias"), tree.path("a"));
    AncestorChain chain;
    {
        AncestorChain::Step root(chain, tree.path("a"));
        ASSERT_TRUE(root.entered());
        AncestorChain::Step child(chain, tree.path("a\\b"));
        EXPECT_TRUE(child.entered());
        AncestorChain::Step again(chain, tree.path("alias"));  // the same directory by another name
        EXPECT_FALSE(again.entered());
    }
    AncestorChain::Step later(chain, tree.path("alias"));  // no longer an ancestor
    EXPECT_TRUE(later.entered());
}

// Wine keeps only the hidden and system bits of a file, so the attributes of
// a synchronised folder's placeholder are checked here rather than on disk.
TEST(IsContentOnDisk, RefusesOfflineAndRecallAttributes) {
    for (DWORD online : {0x1000ul, 0x40000ul, 0x400000ul}) EXPECT_FALSE(is_content_on_disk(online | 0x20)) << online;
    EXPECT_TRUE(is_content_on_disk(FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
}

// A path cut to the 260-byte buffer could name another file: it is never built.
TEST(CalculateDirectorySize, NeverBuildsAPathTooLongForThePathBuffer) {
    FixtureTree tree("long");
    tree.write_text("d\\" + std::string(250, 'n') + "\\file", "x");
    EXPECT_EQ(calculate_directory_size(tree.path("d")), 0u);
}

}  // namespace
