// The duplicate finder through twk.exe: which copies are listed, which stay,
// and what a clean does when files change between the scan and the removal.

#include "engine/win32_handle.h"
#include "support/child_process.h"
#include "support/fixture_tree.h"
#include "support/profile_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

constexpr std::uint64_t MIB = 1024 * 1024;

void write_copies(const FixtureTree& tree, std::initializer_list<const char*> names, std::uint64_t size, char fill) {
    for (const char* name : names) tree.write_text(name, std::string(size, fill));
}

// The files of `names` that still exist.
std::vector<std::string> existing(const FixtureTree& tree, std::initializer_list<const char*> names) {
    std::vector<std::string> found;
    for (const char* name : names) {
        if (tree.exists(name)) found.emplace_back(name);
    }
    return found;
}

std::uint32_t link_count(const std::string& path) {
    UniqueFileHandle file(CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    return file && GetFileInformationByHandle(file.get(), &info) ? info.nNumberOfLinks : 0;
}

// A hard link of a copy is the same file: no item of its own. The 3 MiB pair
// lies below the default minimum of 10 MiB.
TEST(DuplicatesEndToEnd, VerboseScanListsEveryCopyWithTheKeptOne) {
    FixtureTree tree("e2e-dups");
    write_copies(tree, {"one\\a\\x.bin", "one\\b\\x.bin", "one\\c\\x.bin"}, 2 * MIB, 'x');
    ASSERT_TRUE(CreateHardLinkA(tree.path("one\\a\\y.bin").c_str(), tree.path("one\\a\\x.bin").c_str(), nullptr));
    write_copies(tree, {"two\\p.bin", "two\\q.bin"}, 3 * MIB, 'p');
    const std::vector<std::string> dirs{"--dup-path=" + tree.path("one"), "--dup-path=" + tree.path("two")};
    const auto scan = [&](std::vector<std::string> args) {
        args.insert(args.end(), dirs.begin(), dirs.end());
        return console_text(run_twk_in_profile(tree, args).output);
    };

    EXPECT_THAT(scan({"scan"}), HasSubstr("Total items: 0\n"));
    const std::string kept_x = "      kept: " + tree.path("one\\a\\x.bin") + " (group 1)\n";
    EXPECT_THAT(scan({"scan", "-v", "--dup-min-size=1M"}),
                HasSubstr("Total items: 3\nTotal size: 7.00 MB\n\nItems found:\n" +
                          listing_line(tree, "one\\b\\x.bin", 2 * MIB) + kept_x +
                          listing_line(tree, "one\\c\\x.bin", 2 * MIB) + kept_x +
                          listing_line(tree, "two\\q.bin", 3 * MIB) + "      kept: " + tree.path("two\\p.bin") +
                          " (group 2)\n"));
    // The console scan makes no digests; a JSON report shows each group's.
    const std::string json = scan({"scan", "--json", "--dup-min-size=1M"});
    EXPECT_THAT(json, HasSubstr("67b2f816a30e8956149b2d7beb479e51"));  // MD5 of 2 MiB of 'x'
    EXPECT_THAT(json, HasSubstr("9063674a9cd1e6a6acab6765f12d0558"));  // of 3 MiB of 'p'
}

// One group of four copies, written oldest first: "old" is the oldest, "new"
// the newest; two lie in a folder that may be protected.
struct RuleCase {
    std::vector<std::string> options;
    std::vector<std::string> left;
    bool all_one_file;
};

TEST(DuplicatesEndToEnd, CleanKeepsTheCopyTheRulesChooseOrLinksTheOthers) {
    const char* const names[] = {"d\\old.bin", "p\\mid1.bin", "p\\mid2.bin", "d\\new.bin"};
    const RuleCase cases[] = {
        {{"--dup-keep=oldest"}, {"d\\old.bin"}, false},
        {{"--dup-keep=oldest", "--dup-protect=p"}, {"p\\mid1.bin", "p\\mid2.bin"}, false},
        {{"--dup-keep=first", "--dup-action=link"}, {"d\\new.bin", "d\\old.bin", "p\\mid1.bin", "p\\mid2.bin"}, true},
    };
    for (const RuleCase& rule : cases) {
        FixtureTree tree("e2e-dup-rules");
        for (int i = 0; i < 4; ++i) {
            write_copies(tree, {names[i]}, 2 * MIB, 'r');
            tree.set_age_seconds(names[i], 4000 - 1000 * i);
        }
        std::vector<std::string> args{"--force", "clean", "--dup-min-size=2M", "--dup-path=" + tree.root()};
        for (const std::string& option : rule.options) {
            args.push_back(option.starts_with("--dup-protect=") ? "--dup-protect=" + tree.path(option.substr(14)) : option);
        }
        const ProcessResult result = run_twk_in_profile(tree, args);

        SCOPED_TRACE(rule.options.back());
        EXPECT_THAT(result.output, HasSubstr("Failed: 0 items"));
        EXPECT_EQ(existing(tree, {"d\\new.bin", "d\\old.bin", "p\\mid1.bin", "p\\mid2.bin"}), rule.left);
        if (rule.all_one_file) {
            EXPECT_THAT(result.output, HasSubstr("Cleaned: 3 items (6.00 MB)"));
            EXPECT_THAT(result.output, HasSubstr("Replaced by links: 3 items (6.00 MB), permanently: not in the Recycle Bin"));
            for (const char* name : names) EXPECT_EQ(link_count(tree.path(name)), 4u) << name;
        }
    }
}

// Between the scan and the answer to the prompt, one copy is edited and the
// kept copy of another group is deleted: those items fail, and their files
// stay.
TEST(DuplicatesEndToEnd, CopiesChangedSinceTheScanStayAndFail) {
    FixtureTree tree("e2e-dup-changed");
    write_copies(tree, {"a\\1kept.bin", "a\\edited.bin", "a\\plain.bin"}, 2 * MIB, 'a');
    write_copies(tree, {"b\\1kept.bin", "b\\one.bin", "b\\two.bin"}, 2 * MIB, 'b');
    for (const char* name : {"a\\edited.bin", "b\\one.bin"}) tree.set_age_seconds(name, 3600);
    ProcessOptions options;
    options.environment = profile_environment(tree);
    BackgroundProcess twk(twk_exe_path(), {"--no-gui", "clean", "--dup-keep=first", "--dup-min-size=2M", "--dup-path=" + tree.root()},
                          options);
    ASSERT_TRUE(twk.wait_for_output("[y/N]: "));
    tree.write_text("a\\edited.bin", std::string(2 * MIB - 1, 'a') + "!");
    ASSERT_TRUE(DeleteFileA(tree.path("b\\1kept.bin").c_str()));
    twk.write_input("y\n");
    const ProcessResult result = twk.finish(30000);

    EXPECT_THAT(result.output, HasSubstr("Cleaned: 1 items (2.00 MB)\n  Failed: 3 items"));
    EXPECT_EQ(existing(tree, {"a\\1kept.bin", "a\\edited.bin", "a\\plain.bin", "b\\one.bin", "b\\two.bin"}),
              (std::vector<std::string>{"a\\1kept.bin", "a\\edited.bin", "b\\one.bin", "b\\two.bin"}));
}

}  // namespace
