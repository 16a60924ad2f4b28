// What a clean reports and what the command line lets through, with the real
// twk.exe on fixture profiles: each item's own outcome in the totals, options
// twk does not know refused before anything runs, and --modules and
// --exclude narrowing what is listed and cleaned.

#include "support/child_process.h"
#include "support/directory_link.h"
#include "support/profile_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

using ::testing::AnyOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

constexpr std::int64_t DAY = 86400;
constexpr std::uint64_t MIB = 1024 * 1024;
// Wine's Restart Manager never names a holder; the probe's fallback does.
constexpr const char* HELD = ": in use by System or Unknown Process (PID 0)\n";

// Old enough for the temporary-files module.
void write_old(const FixtureTree& tree, const std::string& relative, std::uint64_t size) {
    tree.write_file(relative, size);
    tree.set_age_seconds(relative, 2 * DAY);
}

// Any exit status and output, together, so a failure shows both.
std::pair<int, std::string> outcome(const ProcessResult& result) { return {result.exit_code, result.output}; }

class Outcomes : public ::testing::Test {
protected:
    // The profile's local folder exists, so the clean journal has its place.
    void SetUp() override { tree.make_dir("Local"); }

    void hold(const std::string& relative) {
        holder.emplace(test_tool_path("lock_holder.exe"), std::vector<std::string>{tree.path(relative)});
        ASSERT_TRUE(holder->wait_for_output("ready"));
    }
    // The duplicate finder searches only the fixture's own folder.
    ProcessResult twk(std::vector<std::string> args) {
        args.push_back("--dup-path=" + tree.make_dir("media"));
        return run_twk_in_profile(tree, args);
    }

    FixtureTree tree{"outcomes"};
    std::optional<BackgroundProcess> holder;
};

// The duplicate group is listed but not selected, the held file is listed but
// locked: neither counts as cleaned, and -v says why each stayed.
TEST_F(Outcomes, CleanCountsOnlyTheItemsItRemoved) {
    write_old(tree, "Temp\\one.log", 100);
    write_old(tree, "Temp\\two.log", 200);
    write_old(tree, "Temp\\held.log", 50);
    for (const char* copy : {"media\\a.bin", "media\\b.bin"}) tree.write_text(copy, std::string(10 * MIB, 'd'));
    hold("Temp\\held.log");
    forget_recycled("one.log");
    forget_recycled("two.log");

    const ProcessResult clean = twk({"clean", "--force", "-v"});

    EXPECT_EQ(clean.exit_code, 0);
    EXPECT_THAT(clean.output, HasSubstr("Found 4 items (10.00 MB)\nWould clean: 2 items (300 B)\n"));
    const std::string totals = "\nCleaning complete:\n  Cleaned: 2 items (300 B)\n  Failed: 0 items\n  Skipped: 2 items\n"
                               "  In the Recycle Bin: 2 items (300 B)\n  " + tree.path("Temp\\held.log") + HELD;
    EXPECT_THAT(clean.output, AnyOf(EndsWith(totals + "  " + tree.path("media\\a.bin") + ": not selected\n"),
                                    EndsWith(totals + "  " + tree.path("media\\b.bin") + ": not selected\n")));
    for (const char* kept : {"Temp\\held.log", "media\\a.bin", "media\\b.bin"}) EXPECT_TRUE(tree.exists(kept)) << kept;
    for (const char* gone : {"Temp\\one.log", "Temp\\two.log"}) EXPECT_FALSE(tree.exists(gone)) << gone;
}

TEST_F(Outcomes, OneHeldBrowserCacheLeavesTheOthersCleaned) {
    const std::string chrome = "Local\\Google\\Chrome\\User Data\\";
    tree.write_file(chrome + "Default\\Cache\\data_0", 100);
    tree.write_file(chrome + "Profile 1\\Cache\\data_2", 70);
    tree.write_file("Local\\Mozilla\\Firefox\\Profiles\\abc.default\\cache2\\entries\\e1", 30);
    hold(chrome + "Profile 1\\Cache\\data_2");

    const ProcessResult clean = twk({"clean", "--force", "--modules=browser_cache"});

    EXPECT_THAT(outcome(clean), ::testing::Pair(0, EndsWith("  Cleaned: 2 items (130 B)\n  Failed: 0 items\n"
                                                            "  Skipped: 1 items\n")));
    EXPECT_FALSE(tree.exists(chrome + "Default\\Cache"));
    EXPECT_TRUE(tree.exists(chrome + "Profile 1\\Cache\\data_2"));
}

// A mistyped --dry-run must not let the clean run; alone it is refused too,
// rather than opening the window.
TEST_F(Outcomes, UnknownOptionsAreRefusedBeforeAnythingRuns) {
    write_old(tree, "Temp\\old.log", 100);
    const auto refusal = [](const char* option) {
        return std::pair(1, "Error: Unknown option '" + std::string(option) + "'\nRun 'twk --help' for usage information.\n");
    };
    EXPECT_EQ(outcome(twk({"clean", "--force", "--dryrun"})), refusal("--dryrun"));
    ProcessOptions options;
    options.environment = profile_environment(tree);
    EXPECT_EQ(outcome(run_process(twk_exe_path(), {"--dryrun"}, options)), refusal("--dryrun"));
    EXPECT_EQ(outcome(run_process(twk_exe_path(), {"clean", "--dup-path"}, options)), refusal("--dup-path"));
    EXPECT_TRUE(tree.exists("Temp\\old.log"));
}

TEST_F(Outcomes, ModulesOptionRunsOnlyTheNamedModules) {
    write_old(tree, "Temp\\old.log", 100);
    tree.write_file("Windows\\Logs\\CBS\\cbs_old.log", 70);
    tree.set_age_seconds("Windows\\Logs\\CBS\\cbs_old.log", 8 * DAY);

    const ProcessResult scan = twk({"scan", "--modules=temp_files"});
    EXPECT_EQ(outcome(scan), std::pair(0, "Scanning for cleanable items...\n\r[  0%] Temporary Files\r[100%] Scan complete\n"
                                          "\nScan Results:\nTotal items: 1\nTotal size: 100 B\n\nItems found:\n" +
                                          listing_line(tree, "Temp\\old.log", 100)));

    EXPECT_EQ(twk({"clean", "--force", "--modules=temp_files"}).exit_code, 0);
    EXPECT_FALSE(tree.exists("Temp\\old.log"));
    EXPECT_TRUE(tree.exists("Windows\\Logs\\CBS\\cbs_old.log"));

    EXPECT_EQ(outcome(twk({"clean", "--force", "--modules=temp_files,windows"})),
              std::pair(1, std::string("Error: Unknown module 'windows'\nRun 'twk list-modules' for the module ids.\n")));
    EXPECT_TRUE(tree.exists("Windows\\Logs\\CBS\\cbs_old.log"));
}

// One folder is excluded by its path in other letter case, the other through
// a link to it: only its identity shows it is the same folder. A name that
// merely begins like an excluded folder is not inside it.
TEST_F(Outcomes, ExcludedFoldersAreNeitherListedNorCleaned) {
    for (const char* file : {"Temp\\keep\\a.log", "Temp\\keep\\sub\\b.log", "Temp\\keepsake.log", "Temp\\linked\\c.log",
                             "Temp\\gone.log"}) {
        write_old(tree, file, 10);
    }
    const DirectoryLink alias(tree.path("alias"), tree.path("Temp\\linked"));
    const std::vector<std::string> excluded{"--exclude=" + tree.path("TEMP\\KEEP\\"), "--exclude=" + tree.path("alias")};
    const auto with_exclusions = [&](std::vector<std::string> args) {
        args.insert(args.end(), excluded.begin(), excluded.end());
        return twk(args);
    };

    const std::string listed = console_text(with_exclusions({"scan", "--modules=temp_files"}).output);
    EXPECT_THAT(listed, HasSubstr("Total items: 2\n"));
    EXPECT_THAT(listed, HasSubstr(listing_line(tree, "Temp\\keepsake.log", 10)));
    EXPECT_THAT(listed, Not(HasSubstr("c.log")));

    EXPECT_EQ(with_exclusions({"clean", "--force"}).exit_code, 0);
    for (const char* kept : {"Temp\\keep\\a.log", "Temp\\keep\\sub\\b.log", "Temp\\linked\\c.log"}) {
        EXPECT_TRUE(tree.exists(kept)) << kept;
    }
    for (const char* gone : {"Temp\\keepsake.log", "Temp\\gone.log"}) EXPECT_FALSE(tree.exists(gone)) << gone;
}

}  // namespace
