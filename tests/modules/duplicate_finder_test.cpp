#include "modules/duplicate_finder.h"

#include "engine/win32_handle.h"
#include "support/cryptoapi_md5.h"
#include "support/fake_modules.h"
#include "support/directory_link.h"
#include "support/fixture_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

using ::testing::AnyOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Writes `size` bytes of `fill`, the byte at each of `patches` set to '!'.
std::string write_filled(const FixtureTree& tree, const std::string& relative, std::uint64_t size, char fill,
                         std::initializer_list<std::uint64_t> patches = {}) {
    std::string content(size, fill);
    for (std::uint64_t offset : patches) content[offset] = '!';
    return tree.write_text(relative, content);
}

// Path, kept copy, digest, size and selection of each item.
using ItemKey = std::tuple<std::string, std::string, std::string, std::uint64_t, bool>;
std::vector<ItemKey> keys_of(const ItemList& items) {
    std::vector<ItemKey> keys;
    for (const CleanItem& item : items) {
        keys.emplace_back(item.path, item.duplicate_group->kept_path, item.duplicate_group->digest, item.size, item.selected);
    }
    return keys;
}

ItemList scan(std::vector<std::string> paths) {
    duplicate_finder_set_search_paths(std::move(paths));
    ItemList items;
    const std::uint64_t count = duplicate_finder_module.scan(items);
    EXPECT_EQ(count, items.size());
    return items;
}

class DuplicateFinderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(duplicate_finder_module.init()); }
    void TearDown() override { duplicate_finder_module.cleanup(); }
};

// The oracle: files grouped by their whole content, groups in the order a
// plain walk meets their first file; in each, the first path (ignoring case)
// is kept and every other copy is an unselected item.
std::vector<ItemKey> oracle_items(const std::string& root, std::uint64_t min_size) {
    std::vector<std::pair<std::string, std::string>> files;  // path and content, as the walk meets them
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const DWORD attributes = GetFileAttributesW(entry.path().c_str());
        if (entry.is_directory() || (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) continue;
        std::ifstream file(entry.path(), std::ios::binary);
        std::string content{std::istreambuf_iterator<char>(file), {}};
        if (file && content.size() >= min_size) files.emplace_back(entry.path().string(), std::move(content));
    }
    std::map<std::string, std::vector<std::size_t>> by_content;
    for (std::size_t i = 0; i < files.size(); ++i) by_content[files[i].second].push_back(i);
    std::vector<std::pair<std::size_t, std::vector<ItemKey>>> groups;
    for (const auto& [content, members] : by_content) {
        if (members.size() < 2) continue;
        std::vector<std::string> paths;
        for (std::size_t i : members) paths.push_back(files[i].first);
        std::ranges::sort(paths, [](const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) < 0; });
        std::vector<ItemKey> items;
        for (std::size_t i = 1; i < paths.size(); ++i) items.emplace_back(paths[i], paths[0], cryptoapi_md5(content), content.size(), false);
        groups.emplace_back(members.front(), std::move(items));
    }
    std::ranges::sort(groups, {}, [](const auto& group) { return group.first; });
    std::vector<ItemKey> items;
    for (const auto& group : groups) items.insert(items.end(), group.second.begin(), group.second.end());
    return items;
}

TEST_F(DuplicateFinderTest, GroupsEqualThoseOfComparingEveryCandidate) {
    FixtureTree tree("dup-oracle");
    constexpr std::uint64_t min_size = 2048;
    // Many small groups, so that several share a bucket and chain order counts:
    // copies spread over directories, same-size files differing at the start,
    // middle or end, unique sizes and files below the minimum.
    for (std::uint64_t group = 0; group < 300; ++group) {
        const std::uint64_t size = min_size + (group % 40) * 512, marks[] = {group % size, group * 13 % size};
        const char fill = static_cast<char>('A' + group % 50);
        for (std::uint64_t copy = 0; copy < 1 + group % 4; ++copy) {
            write_filled(tree, "d" + std::to_string((group + copy * 7) % 9) + "\\g" + std::to_string(group) + "_" +
                                   std::to_string(copy) + ".bin", size, fill, {marks[0], marks[1]});
        }
        const std::uint64_t differing[] = {0, size / 2, size - 1};
        write_filled(tree, "near\\g" + std::to_string(group) + ".bin", size, fill,
                     {marks[0], marks[1], differing[group % 3]});
    }
    for (const char* name : {"small\\a.bin", "small\\b.bin"}) write_filled(tree, name, min_size - 1, 'A');
    // The filters, on pairs of sizes no group has: the size boundary itself,
    // hidden files, a hidden directory (still searched), a hard link and a held copy.
    const std::pair<const char*, std::uint64_t> pairs[] = {
        {"exact", min_size}, {"hidden", min_size + 1}, {"secret", min_size + 2}, {"link", min_size + 3}};
    for (const auto& [dir, size] : pairs) {
        for (const char* name : {"\\x.bin", "\\y.bin"}) write_filled(tree, dir + std::string(name), size, 'z');
    }
    for (const char* hidden : {"hidden\\x.bin", "hidden\\y.bin", "secret"}) tree.add_attributes(hidden, FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(CreateHardLinkA(tree.path("link\\z.bin").c_str(), tree.path("link\\y.bin").c_str(), nullptr));
    const std::string held = write_filled(tree, "link\\held.bin", min_size + 3, 'z');
    UniqueFileHandle holder(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    duplicate_finder_set_min_file_size(min_size);

    const ItemList items = scan({tree.root()});

    // The oracle walks the tree once, with the lock and the link out of the way:
    // a hard link is the same file, never a copy.
    holder.reset();
    DeleteFileA(held.c_str());
    DeleteFileA(tree.path("link\\z.bin").c_str());
    const auto expected = oracle_items(tree.root(), min_size);
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(keys_of(items), expected);
}

TEST_F(DuplicateFinderTest, NeverEntersLinksOrPathsTooLongForThePathBuffer) {
    FixtureTree tree("dup-reach");
    const std::string content(4096, 'h');
    for (const char* name : {"outside\\x.bin", "outside\\y.bin"}) tree.write_text(name, content);
    DirectoryLink link(tree.make_dir("inside") + "\\link", tree.path("outside"));
    // A directory whose path is 250 characters: its short names fit, longer ones
    // do not, and its subdirectory of 258 characters cannot even be listed.
    const std::string deep = "inside\\" + std::string(250 - tree.path("inside\\").size(), 'd');
    const std::pair<const char*, const char*> pairs[] = {{"a.bin", "b.bin"}, {"long_a.bin", "long_b.bin"},
                                                         {"eeeeeee\\a", "eeeeeee\\b"}};
    for (const auto& [first, second] : pairs) {
        for (const char* name : {first, second}) tree.write_text(deep + "\\" + name, content + first);
    }
    duplicate_finder_set_min_file_size(1);

    const ItemList items = scan({tree.path("inside")});
    remove_from_unix(tree.path(deep));

    ASSERT_EQ(items.size(), 1u);
    EXPECT_THAT(items[0].path, AnyOf(tree.path(deep + "\\a.bin"), tree.path(deep + "\\b.bin")));
}

TEST_F(DuplicateFinderTest, DefaultSearchPathsAreTheUsersExistingFoldersUnnested) {
    const auto& paths = duplicate_finder_search_paths();
    EXPECT_LE(paths.size(), 6u);
    for (const std::string& path : paths) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << path;
        EXPECT_NE(path.back(), '\\') << path;
        for (const std::string& other : paths) EXPECT_NE(path.rfind(other + "\\", 0), 0u) << path << " in " << other;
    }
    EXPECT_THAT(scan({}), IsEmpty());
    duplicate_finder_set_search_paths({"Z:\\tmp\\a\\", "z:\\TMP\\A\\b", "Z:\\tmp\\ab", "Z:\\tmp\\a"});
    EXPECT_THAT(duplicate_finder_search_paths(), ElementsAre("Z:\\tmp\\a", "Z:\\tmp\\ab"));
}

// More same-size files than a worker holds open. The "few_open_files" run
// gives this test a limit of open files that the whole set would exceed.
TEST_F(DuplicateFinderTest, GroupsASameSizeSetLargerThanTheFilesHeldOpen) {
    FixtureTree tree("dup-many");
    const std::string content(4096, 'm');
    for (int i = 0; i < 300; ++i) tree.write_text("same\\" + std::to_string(i), content + "same");
    for (int i = 0; i < 3; ++i) tree.write_text("start\\" + std::to_string(i), "S" + content + "ame");
    for (const char* name : {"end\\0", "end\\1"}) tree.write_text(name, content + "sam!");
    duplicate_finder_set_min_file_size(1);

    const ItemList items = scan({tree.root()});
    ASSERT_EQ(items.size(), 299u + 2u + 1u);  // every copy but one of each group
    EXPECT_EQ(keys_of(items), oracle_items(tree.root(), 1));
}

TEST_F(DuplicateFinderTest, CleanRecyclesOnlySelectedCopiesAndKeepsTheKeptOne) {
    FixtureTree tree("dup-clean");
    constexpr std::uint64_t default_minimum = 10 * 1024 * 1024;
    for (const char* name : {"x.bin", "y.bin"}) write_filled(tree, name, default_minimum, 'g');
    for (const char* name : {"below\\x.bin", "below\\y.bin"}) write_filled(tree, name, default_minimum - 1, 'b');
    ItemList items = scan({tree.root()});
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].path, tree.path("y.bin"));
    EXPECT_EQ(items[0].duplicate_group->kept_path, tree.path("x.bin"));

    EXPECT_TRUE(cleans_all(duplicate_finder_module, items));
    EXPECT_TRUE(tree.exists("y.bin"));
    items[0].selected = true;
    EXPECT_TRUE(cleans_all(duplicate_finder_module, items));
    EXPECT_FALSE(tree.exists("y.bin"));
    EXPECT_TRUE(tree.exists("x.bin"));
    EXPECT_THAT(scan({tree.root()}), IsEmpty());  // the kept copy stays, alone
    EXPECT_FALSE(cleans_all(duplicate_finder_module, items));  // gone by now
}

}  // namespace
