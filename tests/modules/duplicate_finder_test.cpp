#include "modules/duplicate_finder.h"

#include "engine/directory_listing.h"
#include "support/directory_link.h"
#include "support/fixture_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <tuple>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr std::uint64_t MIB = 1024 * 1024;
constexpr std::uint64_t TEN_MIB = 10 * MIB;

// Writes `size` bytes of `fill`, the byte at each of `patches` set to '!'.
std::string write_filled(const FixtureTree& tree, const std::string& relative, std::uint64_t size, char fill,
                         std::initializer_list<std::uint64_t> patches = {}) {
    std::string content(size, fill);
    for (std::uint64_t offset : patches) content[offset] = '!';
    return tree.write_text(relative, content);
}

using ItemKey = std::tuple<std::string, std::string, std::uint64_t, bool>;
std::vector<ItemKey> keys_of(const ItemList& items) {
    std::vector<ItemKey> keys;
    for (const CleanItem& item : items) keys.emplace_back(item.path, item.description, item.size, item.selected);
    return keys;
}

class DuplicateFinderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(duplicate_finder_module.init()); }
    void TearDown() override { duplicate_finder_module.cleanup(); }

    ItemList scan(std::vector<std::string> paths) {
        duplicate_finder_set_search_paths(std::move(paths));
        ItemList items;
        const std::uint64_t count = duplicate_finder_module.scan(items);
        EXPECT_EQ(count, items.size());
        return items;
    }
};

// ---- the oracle: every candidate hashed whole on its own, as a plain walk would ----

std::string md5_of(const std::string& content) {
    UniqueCryptProvider provider;
    UniqueCryptHash hash;
    BYTE digest[16];
    DWORD length = sizeof digest;
    CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put());
    CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(content.data()), static_cast<DWORD>(content.size()), 0);
    CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0);
    char text[33];
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return text;
}

struct OracleEntry {
    std::string digest, first_path;
    std::uint64_t size = 0, duplicates = 0;
};

void oracle_walk(const std::string& dir, std::uint64_t min_size, std::vector<std::vector<OracleEntry>>& table) {
    DirectoryListing listing(dir);
    while (const WIN32_FIND_DATAA* entry = listing.next()) {
        const std::string path = dir + "\\" + entry->cFileName;
        if (is_directory(*entry)) {
            oracle_walk(path, min_size, table);
            continue;
        }
        std::ifstream file(path, std::ios::binary);
        const std::string content{std::istreambuf_iterator<char>(file), {}};
        if (!file || content.size() < min_size ||
            (entry->dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
            continue;
        }
        const std::string digest = md5_of(content);
        std::uint32_t hash = 5381;
        for (char c : digest) hash = hash * 33 + static_cast<unsigned char>(c);
        auto& chain = table[hash & 0x3FF];
        auto found = std::find_if(chain.begin(), chain.end(), [&](const OracleEntry& e) { return e.digest == digest; });
        if (found == chain.end()) {
            chain.insert(chain.begin(), {digest, path, content.size(), 0});
        } else {
            ++found->duplicates;
        }
    }
}

std::vector<ItemKey> oracle_items(const std::string& root, std::uint64_t min_size) {
    std::vector<std::vector<OracleEntry>> table(1024);
    oracle_walk(root, min_size, table);
    std::vector<ItemKey> items;
    for (const auto& chain : table) {
        for (const OracleEntry& e : chain) {
            if (e.duplicates == 0) continue;
            items.emplace_back(e.first_path, "Original file (" + std::to_string(e.duplicates) + " duplicates found)",
                               e.size, false);
        }
    }
    return items;
}

TEST_F(DuplicateFinderTest, GroupsEqualThoseOfHashingEveryCandidate) {
    FixtureTree tree("dup-oracle");
    constexpr std::uint64_t min_size = 2048;
    // Many small groups, so that several share a bucket and chain order counts:
    // copies spread over directories, same-size files differing at the start,
    // middle or end, unique sizes and files below the minimum.
    for (int group = 0; group < 300; ++group) {
        const std::uint64_t size = min_size + (group % 40) * 512;
        const char fill = static_cast<char>('A' + group % 50);
        const std::uint64_t marker = static_cast<std::uint64_t>(group);
        const int copies = 1 + group % 4;
        for (int copy = 0; copy < copies; ++copy) {
            const std::string name = "d" + std::to_string((group + copy * 7) % 9) + "\\g" + std::to_string(group) +
                                     "_" + std::to_string(copy) + ".bin";
            write_filled(tree, name, size, fill, {marker % size, (marker * 13) % size});
        }
        const std::uint64_t differing[] = {0, size / 2, size - 1};
        write_filled(tree, "near\\g" + std::to_string(group) + ".bin", size, fill,
                     {marker % size, (marker * 13) % size, differing[group % 3]});
    }
    write_filled(tree, "small\\a.bin", min_size - 1, 'A');
    write_filled(tree, "small\\b.bin", min_size - 1, 'A');
    // The filters, on pairs of sizes no group has: the size boundary itself,
    // hidden files, a hidden directory (still searched), a hard link and a held copy.
    const std::pair<const char*, std::uint64_t> pairs[] = {
        {"exact", min_size}, {"hidden", min_size + 1}, {"secret", min_size + 2}, {"link", min_size + 3}};
    for (const auto& [dir, size] : pairs) {
        write_filled(tree, std::string(dir) + "\\x.bin", size, 'z');
        write_filled(tree, std::string(dir) + "\\y.bin", size, 'z');
    }
    tree.add_attributes("hidden\\x.bin", FILE_ATTRIBUTE_HIDDEN);
    tree.add_attributes("hidden\\y.bin", FILE_ATTRIBUTE_HIDDEN);
    tree.add_attributes("secret", FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(CreateHardLinkA(tree.path("link\\z.bin").c_str(), tree.path("link\\y.bin").c_str(), nullptr));
    const std::string held = write_filled(tree, "link\\held.bin", min_size + 3, 'z');
    UniqueFileHandle holder(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    duplicate_finder_set_min_file_size(min_size);

    // A subdirectory is given as well: files met again count once.
    const ItemList items = scan({tree.root(), tree.path("d1")});
    EXPECT_EQ(keys_of(scan({tree.root(), tree.path("d1")})), keys_of(items));

    // The oracle walks the tree once, with the lock and the link out of the way.
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
    tree.write_text("outside\\x.bin", content);
    tree.write_text("outside\\y.bin", content);
    tree.make_dir("inside");
    DirectoryLink link(tree.path("inside\\link"), tree.path("outside"));
    // A directory whose path is 250 characters: its short names fit, longer ones
    // do not, and its subdirectory of 258 characters cannot even be listed.
    const std::string deep = "inside\\" + std::string(250 - tree.path("inside\\").size(), 'd');
    for (const char* name : {"a.bin", "b.bin"}) tree.write_text(deep + "\\" + name, content + "1");
    for (const char* name : {"long_a.bin", "long_b.bin"}) tree.write_text(deep + "\\" + name, content + "2");
    for (const char* name : {"eeeeeee\\a", "eeeeeee\\b"}) tree.write_text(deep + "\\" + name, content + "3");
    duplicate_finder_set_min_file_size(1);

    const ItemList items = scan({tree.path("inside")});
    remove_from_unix(tree.path(deep));

    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].path.substr(0, tree.path(deep).size() + 1), tree.path(deep) + "\\");
    EXPECT_EQ(items[0].path.size(), tree.path(deep).size() + 6);
}

TEST_F(DuplicateFinderTest, DefaultSearchPathsAreTheUsersExistingFoldersUnnested) {
    const auto& paths = duplicate_finder_search_paths();
    EXPECT_LE(paths.size(), 6u);
    for (const std::string& path : paths) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) << path;
        EXPECT_NE(path.back(), '\\') << path;
        for (const std::string& other : paths) {
            if (&other == &path) continue;
            EXPECT_NE(path.rfind(other + "\\", 0), 0u) << path << " inside " << other;
        }
    }
    duplicate_finder_set_search_paths({"Z:\\tmp\\"});
    EXPECT_THAT(duplicate_finder_search_paths(), ElementsAre("Z:\\tmp"));
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
    tree.write_text("end\\0", content + "sam!");
    tree.write_text("end\\1", content + "sam!");
    duplicate_finder_set_min_file_size(1);

    const ItemList items = scan({tree.root()});

    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(keys_of(items), oracle_items(tree.root(), 1));
}

TEST_F(DuplicateFinderTest, CleanRecyclesOnlySelectedExistingFiles) {
    FixtureTree tree("dup-clean");
    write_filled(tree, "x.bin", TEN_MIB, 'g');  // the default minimum, met exactly
    write_filled(tree, "y.bin", TEN_MIB, 'g');
    write_filled(tree, "below\\x.bin", TEN_MIB - 1, 'b');
    write_filled(tree, "below\\y.bin", TEN_MIB - 1, 'b');
    ItemList items = scan({tree.root()});
    ASSERT_EQ(items.size(), 1u);
    const std::string original = items[0].path;

    EXPECT_TRUE(duplicate_finder_module.clean(items));
    EXPECT_NE(GetFileAttributesA(original.c_str()), INVALID_FILE_ATTRIBUTES);

    items[0].selected = true;
    EXPECT_TRUE(duplicate_finder_module.clean(items));
    EXPECT_EQ(GetFileAttributesA(original.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(scan({tree.root()}).size(), 0u);  // the other copy stays, alone

    EXPECT_FALSE(duplicate_finder_module.clean(items));  // gone by now
    EXPECT_TRUE(duplicate_finder_module.clean({}));
}

}  // namespace
