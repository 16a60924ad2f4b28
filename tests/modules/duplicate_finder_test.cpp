#include "modules/duplicate_finder.h"

#include "engine/directory_listing.h"
#include "support/child_process.h"
#include "support/fixture_tree.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

constexpr std::uint64_t MIB = 1024 * 1024;
constexpr std::uint64_t TEN_MIB = 10 * MIB;

// Writes `size` bytes of `fill`, then sets the byte at each of `patches` to '!'.
std::string write_filled(const FixtureTree& tree, const std::string& relative, std::uint64_t size, char fill,
                         std::initializer_list<std::uint64_t> patches = {}) {
    const std::string path = tree.write_file(relative, 0);
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string chunk(1024 * 1024, fill);
    for (std::uint64_t written = 0; written < size;) {
        DWORD part = static_cast<DWORD>(std::min<std::uint64_t>(chunk.size(), size - written)), done = 0;
        WriteFile(file.get(), chunk.data(), part, &done, nullptr);
        written += done;
    }
    for (std::uint64_t offset : patches) {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN);
        DWORD done = 0;
        WriteFile(file.get(), "!", 1, &done, nullptr);
    }
    return path;
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

// ---- the oracle: every candidate hashed on its own, as a plain walk would ----

std::optional<std::string> plain_md5(const std::string& path) {
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return std::nullopt;
    UniqueCryptProvider provider;
    UniqueCryptHash hash;
    if (!CryptAcquireContextW(provider.put(), nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return std::nullopt;
    if (!CryptCreateHash(provider.get(), CALG_MD5, 0, 0, hash.put())) return std::nullopt;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
        CryptHashData(hash.get(), reinterpret_cast<BYTE*>(buffer), got, 0);
    }
    BYTE digest[16];
    DWORD length = 16;
    if (!CryptGetHashParam(hash.get(), HP_HASHVAL, digest, &length, 0)) return std::nullopt;
    char text[33];
    for (int i = 0; i < 16; ++i) std::snprintf(text + 2 * i, 3, "%02x", digest[i]);
    return std::string(text);
}

struct OracleEntry {
    std::string digest, first_path;
    std::uint64_t size = 0, duplicates = 0;
};

void oracle_walk(const std::string& dir, std::uint64_t min_size, std::vector<std::vector<OracleEntry>>& table) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = data.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = dir + "\\" + name;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            oracle_walk(path, min_size, table);
            continue;
        }
        const std::uint64_t size = (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        if (size < min_size || (data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) continue;
        const auto digest = plain_md5(path);
        if (!digest) continue;
        std::uint32_t hash = 5381;
        for (char c : *digest) hash = hash * 33 + static_cast<unsigned char>(c);
        auto& chain = table[hash & 0x3FF];
        auto found = std::find_if(chain.begin(), chain.end(), [&](const OracleEntry& e) { return e.digest == *digest; });
        if (found == chain.end()) {
            chain.insert(chain.begin(), {*digest, path, size, 0});
        } else {
            ++found->duplicates;
        }
    } while (FindNextFileA(find, &data));
    FindClose(find);
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
    duplicate_finder_set_min_file_size(min_size);

    const ItemList items = scan({tree.root()});

    const auto expected = oracle_items(tree.root(), min_size);
    ASSERT_GT(expected.size(), 100u);
    EXPECT_EQ(keys_of(items), expected);
}

// One tree for the filters: size boundary, attributes, shared reading, hard links.
TEST_F(DuplicateFinderTest, FindsLargeVisibleReadableCopiesOnce) {
    FixtureTree tree("dup-filters");
    const std::string first = write_filled(tree, "three\\one.bin", 20 * MIB, 'a');
    write_filled(tree, "three\\sub\\two.bin", 20 * MIB, 'a');
    write_filled(tree, "three\\sub\\three.bin", 20 * MIB, 'a');
    write_filled(tree, "below\\x.bin", TEN_MIB - 1, 'b');
    write_filled(tree, "below\\y.bin", TEN_MIB - 1, 'b');
    const std::string exact = write_filled(tree, "exact\\x.bin", TEN_MIB, 'c');
    write_filled(tree, "exact\\y.bin", TEN_MIB, 'c');
    write_filled(tree, "hidden\\x.bin", TEN_MIB + 1, 'd');
    write_filled(tree, "hidden\\y.bin", TEN_MIB + 1, 'd');
    tree.add_attributes("hidden\\x.bin", FILE_ATTRIBUTE_HIDDEN);
    tree.add_attributes("hidden\\y.bin", FILE_ATTRIBUTE_HIDDEN);
    const std::string in_hidden = write_filled(tree, "secret\\x.bin", TEN_MIB + 2, 'e');
    write_filled(tree, "secret\\y.bin", TEN_MIB + 2, 'e');
    tree.add_attributes("secret", FILE_ATTRIBUTE_HIDDEN);
    // A hard link and a locked third copy: neither adds a duplicate.
    const std::string linked = write_filled(tree, "link\\x.bin", TEN_MIB + 3, 'f');
    write_filled(tree, "link\\y.bin", TEN_MIB + 3, 'f');
    ASSERT_TRUE(CreateHardLinkA(tree.path("link\\z.bin").c_str(), tree.path("link\\y.bin").c_str(), nullptr));
    const std::string held = write_filled(tree, "link\\held.bin", TEN_MIB + 3, 'f');
    UniqueFileHandle holder(CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);

    // The tree is also given a second time through a subdirectory: files met again count once.
    const ItemList items = scan({tree.root(), tree.path("three")});
    const ItemList again = scan({tree.root(), tree.path("three")});

    // Keyed by the fixture directory each group lives in.
    std::map<std::string, const CleanItem*> by_group;
    for (const CleanItem& item : items) {
        const std::string relative = item.path.substr(tree.root().size() + 1);
        by_group[relative.substr(0, relative.find('\\'))] = &item;
    }
    ASSERT_EQ(items.size(), 4u);
    ASSERT_TRUE(by_group.count("three") && by_group.count("exact") && by_group.count("secret") && by_group.count("link"));
    EXPECT_EQ(by_group["three"]->description, "Original file (2 duplicates found)");
    EXPECT_EQ(by_group["three"]->size, 20 * MIB);
    EXPECT_FALSE(by_group["three"]->selected);
    EXPECT_EQ(by_group["exact"]->description, "Original file (1 duplicates found)");
    EXPECT_EQ(by_group["exact"]->size, TEN_MIB);
    EXPECT_EQ(by_group["secret"]->description, "Original file (1 duplicates found)");
    EXPECT_EQ(by_group["link"]->description, "Original file (1 duplicates found)");
    EXPECT_EQ(keys_of(again), keys_of(items));
    // With the lock and the link out of the way the oracle agrees on the first paths.
    holder.reset();
    DeleteFileA(held.c_str());
    DeleteFileA(tree.path("link\\z.bin").c_str());
    EXPECT_EQ(keys_of(scan({tree.root()})), oracle_items(tree.root(), TEN_MIB));
}

// Writes through the long-path form, which reaches paths the walker must skip.
void write_long(const std::string& path, const std::string& content) {
    std::wstring wide = L"\\\\?\\";
    for (char c : path) wide += static_cast<wchar_t>(c);
    for (std::size_t slash = wide.find(L'\\', 7); slash != std::wstring::npos; slash = wide.find(L'\\', slash + 1)) {
        CreateDirectoryW(wide.substr(0, slash).c_str(), nullptr);
    }
    UniqueFileHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD done = 0;
    WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &done, nullptr);
}

std::string unix_path_of(const std::string& windows_path) {
    std::string unix_path = windows_path.substr(2);  // "Z:"
    std::replace(unix_path.begin(), unix_path.end(), '\\', '/');
    return unix_path;
}

TEST_F(DuplicateFinderTest, NeverEntersLinksOrPathsTooLongForThePathBuffer) {
    FixtureTree tree("dup-reach");
    // Paths this long and Unix links are beyond the tree's own clean-up.
    struct RemovedFromUnix {
        std::string root;
        ~RemovedFromUnix() {
            run_process("Z:\\bin\\rm", {"-rf", unix_path_of(root)});
            for (int wait = 0; wait < 100 && GetFileAttributesA(root.c_str()) != INVALID_FILE_ATTRIBUTES; ++wait) Sleep(20);
        }
    } removed{tree.root()};
    const std::string content(4096, 'h');
    tree.write_text("outside\\x.bin", content);
    tree.write_text("outside\\y.bin", content);
    tree.make_dir("inside");
    // A Unix symbolic link, which Windows programs see as a directory reparse point.
    // Wine starts the Unix program without waiting for it: wait for the link.
    run_process("Z:\\bin\\ln", {"-s", unix_path_of(tree.path("outside")), unix_path_of(tree.path("inside\\link"))});
    for (int wait = 0; wait < 100 && !tree.exists("inside\\link"); ++wait) Sleep(20);
    ASSERT_EQ(GetFileAttributesA(tree.path("inside\\link").c_str()), 0x410u);
    // A directory whose path is 250 characters: its short names fit, longer ones
    // do not, and its subdirectory of 258 characters cannot even be listed.
    const std::string deep = tree.path("inside\\") + std::string(250 - tree.path("inside\\").size(), 'd');
    write_long(deep + "\\a.bin", content + "1");
    write_long(deep + "\\b.bin", content + "1");
    write_long(deep + "\\long_a.bin", content + "2");
    write_long(deep + "\\long_b.bin", content + "2");
    write_long(deep + "\\eeeeeee\\a", content + "3");
    write_long(deep + "\\eeeeeee\\b", content + "3");
    duplicate_finder_set_min_file_size(1);

    const ItemList items = scan({tree.path("inside")});

    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].path.substr(0, deep.size() + 1), deep + "\\");
    EXPECT_EQ(items[0].path.size(), deep.size() + 6);
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
    // Given directories are freed of repeats and nesting like the defaults.
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
    write_filled(tree, "x.bin", TEN_MIB, 'g');
    write_filled(tree, "y.bin", TEN_MIB, 'g');
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

TEST_F(DuplicateFinderTest, NoSearchPathsFindNothing) {
    EXPECT_THAT(scan({}), IsEmpty());
}

}  // namespace
