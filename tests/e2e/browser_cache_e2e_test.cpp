// The browser-cache module through the real twk.exe: two Chrome profiles and
// profiles without a cache or with an empty one, Firefox with a link inside
// its cache, Opera's fixed path, a Brave cache with a held file, an Edge
// profile that is itself a link, and Chrome running at start-up.

#include "support/directory_link.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* CHROME = "Local\\Google\\Chrome\\User Data\\";
constexpr const char* FIREFOX_CACHE = "Local\\Mozilla\\Firefox\\Profiles\\abc.default\\cache2\\entries";
constexpr const char* OPERA_CACHE = "Roaming\\Opera Software\\Opera Stable\\Cache\\Cache_Data";
constexpr const char* BRAVE_CACHE = "Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data";

constexpr FixtureFile FILES[] = {
    {"Local\\Google\\Chrome\\User Data\\Default\\Cache\\data_0", 100, 0},
    {"Local\\Google\\Chrome\\User Data\\Default\\Cache\\index\\data_1", 50, 0},
    {"Local\\Google\\Chrome\\User Data\\Local State", 5, 0, true},
    {"Local\\Google\\Chrome\\User Data\\Profile 1\\Cache\\data_2", 70, 0},
    {"Local\\Google\\Chrome\\User Data\\Profile 2\\Preferences", 9, 0, true},
    {"Local\\Mozilla\\Firefox\\Profiles\\abc.default\\cache2\\entries\\e1", 30, 0},
    {"Roaming\\Opera Software\\Opera Stable\\Cache\\Cache_Data\\o1", 40, 0},
    {"Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data\\b1", 20, 0, true},
    {"Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data\\b2", 10, 0, true},
    {"Elsewhere\\Cache\\x", 25, 0, true},
    {"Outside\\outside.log", 16, 0, true},
};

class BrowserCacheProfile : public ::testing::Test {
protected:
    void SetUp() override {
        make_files(tree, FILES);
        tree.make_dir(std::string(CHROME) + "Profile 3\\Cache");
        firefox_link.emplace(tree.path(std::string(FIREFOX_CACHE) + "\\linked"), tree.path("Outside"));
        tree.make_dir("Local\\Microsoft\\Edge\\User Data");
        edge_link.emplace(tree.path("Local\\Microsoft\\Edge\\User Data\\Linked"), tree.path("Elsewhere"));
        holder.emplace(test_tool_path("lock_holder.exe"),
                       std::vector<std::string>{tree.path(std::string(BRAVE_CACHE) + "\\b1")});
        ASSERT_TRUE(holder->wait_for_output("ready"));
    }

    std::string chrome_lines() const {
        return listing_line(tree, std::string(CHROME) + "Default\\Cache", 150) +
               listing_line(tree, std::string(CHROME) + "Profile 1\\Cache", 70);
    }

    std::string scan_output(const std::string& chrome, std::size_t items, std::uint64_t size) const {
        return scan_report(items, size,
                           chrome + listing_line(tree, FIREFOX_CACHE, 30) + listing_line(tree, OPERA_CACHE, 40),
                           unknown_holder_line(tree, BRAVE_CACHE, 30), 1);
    }

    FixtureTree tree{"browser"};
    std::optional<DirectoryLink> firefox_link;
    std::optional<DirectoryLink> edge_link;
    std::optional<BackgroundProcess> holder;
};

TEST_F(BrowserCacheProfile, ScanListsProfileCachesSkipsARunningBrowserAndCleanSparesLinkTargets) {
    const ProcessResult scan = run_twk_in_profile(tree, {"scan"});
    ASSERT_EQ(scan.exit_code, 0) << scan.output;
    EXPECT_EQ(console_text(scan.output).text, scan_output(chrome_lines(), 5, 320));

    // Any program called chrome.exe counts as Chrome running.
    const std::string fake_chrome = tree.path("bin\\chrome.exe");
    tree.make_dir("bin");
    ASSERT_TRUE(CopyFileA(test_tool_path("lock_holder.exe").c_str(), fake_chrome.c_str(), FALSE));
    {
        BackgroundProcess chrome(fake_chrome, {});
        ASSERT_TRUE(chrome.wait_for_output("ready"));
        const ProcessResult without_chrome = run_twk_in_profile(tree, {"scan"});
        EXPECT_EQ(console_text(without_chrome.output).text, scan_output("", 3, 100));
    }

    const ProcessResult clean = run_twk_in_profile(tree, {"clean", "--force"});
    ASSERT_EQ(clean.exit_code, 0) << clean.output;
    // The link inside Firefox's cache cannot be removed under Wine, so that
    // cache stays and fails the module's batch; nothing is reported per item.
    EXPECT_EQ(console_text(clean.output).text, failed_clean_report(5, 320, ""));
    for (const FixtureFile& file : FILES) EXPECT_EQ(tree.exists(file.path), file.kept_by_clean) << file.path;
    EXPECT_FALSE(tree.exists(std::string(CHROME) + "Default\\Cache"));  // caches go whole
    EXPECT_TRUE(tree.exists(std::string(CHROME) + "Profile 3\\Cache"));
    EXPECT_TRUE(tree.exists("Roaming\\Opera Software\\Opera Stable\\Cache"));
    EXPECT_TRUE(firefox_link->exists());
}

}  // namespace
