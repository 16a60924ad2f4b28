// Deleting what a scan listed, through real files that change, links made on
// the Unix side (which Wine does not mark) and hard links.

#include "engine/checked_delete.h"

#include "support/directory_link.h"
#include "support/fixture_tree.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;

namespace {

using Outcome = std::pair<ItemOutcome, std::string>;

CleanItem listed(const FixtureTree& tree, const std::string& relative, bool directory) {
    CleanItem item;
    item.type = directory ? ITEM_DIRECTORY : ITEM_FILE;
    item.path = tree.path(relative);
    item.snapshot = listed_snapshot(item.path, directory);
    return item;
}

Outcome deleted(CleanItem item) {
    delete_listed(item);
    return {item.outcome, item.reason};
}

// Each change comes between the scan and the clean: the item fails and what
// its name now leads to is untouched.
TEST(CheckedDelete, ItemsThatChangedSinceTheScanFailAndStay) {
    FixtureTree tree("changed");
    std::vector<std::unique_ptr<DirectoryLink>> links;
    const auto link = [&](const std::string& name, const std::string& target) {
        links.push_back(std::make_unique<DirectoryLink>(tree.path(name), tree.path(target)));
    };
    struct Change {
        const char* listed;
        bool directory;
        std::function<void()> change;
        const char* kept;
    };
    const Change changes[] = {
        {"rewritten.log", false, [&] { tree.write_file("rewritten.log", 8); }, "rewritten.log"},
        {"grown.log", false, [&] { tree.write_file("grown.log", 2 << 20); }, "grown.log"},
        // The old folder is moved aside, not removed: a file system may hand its
        // number straight to the next new directory.
        {"Report", true,
         [&] { MoveFileA(tree.path("Report").c_str(), tree.path("Old").c_str()), tree.write_file("Report\\new.wer", 3); },
         "Report\\new.wer"},
        {"linked.log", false, [&] { remove_tree(tree.path("linked.log")), link("linked.log", "Docs\\thesis.txt"); },
         "Docs\\thesis.txt"},
        {"Parent\\notes.txt", false,
         [&] { MoveFileA(tree.path("Parent").c_str(), tree.path("Moved").c_str()), link("Parent", "Docs"); },
         "Docs\\notes.txt"},
    };
    tree.write_file("Docs\\thesis.txt", 5);
    tree.write_file("Docs\\notes.txt", 8);
    for (const Change& change : changes) {
        const std::string file = change.directory ? std::string(change.listed) + "\\old.wer" : change.listed;
        tree.write_file(file, 8);
        tree.set_age_seconds(file, 3600);
        CleanItem item = listed(tree, change.listed, change.directory);
        ASSERT_TRUE(item.snapshot) << change.listed;
        change.change();
        EXPECT_EQ(deleted(item), Outcome(ItemOutcome::failed, "changed since the scan")) << change.listed;
        EXPECT_TRUE(tree.exists(change.kept)) << change.kept;
    }
    // What a scan would list through a link is not listed at all.
    EXPECT_FALSE(listed_snapshot(tree.path("linked.log"), false));
    EXPECT_FALSE(listed_snapshot(tree.path("Parent\\notes.txt"), false));
}

// A listed directory is emptied through its handle: children are opened
// relative to it, a link inside is never a way out, and a path far beyond 260
// characters goes too.
TEST(CheckedDelete, ADirectoryGoesWholeButALinkInsideAndItsTargetStay) {
    FixtureTree tree("tree");
    const std::string deep = "Cache\\" + std::string(120, 'a') + "\\" + std::string(120, 'b') + "\\" + std::string(60, 'c');
    for (const std::string& file : {"Cache\\data_0"s, "Cache\\index\\data_1"s, deep, "Outside\\keep.db"s, "Plain\\x\\y"s}) {
        tree.write_file(file, 4);
    }
    tree.add_attributes("Plain\\x\\y", FILE_ATTRIBUTE_READONLY);
    const DirectoryLink file_link(tree.path("Cache\\index\\link.db"), tree.path("Outside\\keep.db"));
    const DirectoryLink directory_link(tree.path("Cache\\outside"), tree.path("Outside"));

    EXPECT_EQ(deleted(listed(tree, "Cache", true)), Outcome(ItemOutcome::failed, "holds a link"));
    EXPECT_TRUE(tree.exists("Outside\\keep.db"));
    EXPECT_TRUE(file_link.exists() && directory_link.exists());
    for (const std::string& gone : {"Cache\\data_0"s, "Cache\\index\\data_1"s, deep}) EXPECT_FALSE(tree.exists(gone)) << gone;

    EXPECT_EQ(deleted(listed(tree, "Plain", true)), Outcome(ItemOutcome::removed, ""));  // read-only file included
    EXPECT_FALSE(tree.exists("Plain"));
}

// The read-only bit belongs to the file, not to one of its names: clearing it
// to delete one link would take it from the document behind the other.
TEST(CheckedDelete, AReadOnlyFileWithAnotherLinkKeepsItsBit) {
    FixtureTree tree("hardlink");
    tree.write_file("Docs\\signed.pdf", 6);
    tree.add_attributes("Docs\\signed.pdf", FILE_ATTRIBUTE_READONLY);
    tree.make_dir("Report");
    for (const char* name : {"Report\\signed.pdf", "copy.pdf"}) {
        ASSERT_TRUE(CreateHardLinkA(tree.path(name).c_str(), tree.path("Docs\\signed.pdf").c_str(), nullptr)) << name;
    }
    const Outcome refused(ItemOutcome::failed, "read-only, with other links");
    EXPECT_EQ(deleted(listed(tree, "Report", true)), refused);
    EXPECT_EQ(deleted(listed(tree, "copy.pdf", false)), refused);
    EXPECT_TRUE(GetFileAttributesA(tree.path("Docs\\signed.pdf").c_str()) & FILE_ATTRIBUTE_READONLY);
}

}  // namespace
