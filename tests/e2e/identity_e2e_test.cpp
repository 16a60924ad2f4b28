// Through the real twk.exe: what a clean acts on is exactly what its scan
// listed, however the names around it change, whatever the environment says
// the temporary folder is, and whatever names the folders hold.

#include "support/directory_link.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <windows.h>

#include <list>
#include <set>
#include <sstream>
#include <string>

namespace {

constexpr std::int64_t DAY = 86400;

// The item paths of a scan's listing that lie in `tree`, each as often as listed.
std::multiset<std::string> listed_paths(const FixtureTree& tree, const std::string& output) {
    std::multiset<std::string> paths;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const auto at = line.find("] " + tree.root() + "\\");
        if (line.starts_with("  [") && at != std::string::npos) paths.insert(line.substr(at + 3 + tree.root().size()));
    }
    return paths;
}

// While the prompt waits, the parent of each listed item is swapped for a
// link to the user's documents holding the same names.
TEST(Identity, AParentSwappedForALinkWhileThePromptWaitsLeavesItsTargetAlone) {
    FixtureTree tree("swap");
    const std::string chrome = "Local\\Google\\Chrome\\User Data\\";
    constexpr FixtureFile FILES[] = {
        {"Temp\\Thesis\\notes.txt", 10, 2 * DAY},
        {"Local\\Google\\Chrome\\User Data\\Default\\Cache\\data_0", 20, 0},
        {"Local\\D3DSCache\\shaders.bin", 30, 0},
        {"Docs\\Thesis\\notes.txt", 10, 2 * DAY},
        {"Docs\\Website\\Cache\\data_0", 20, 0},
        {"Docs\\Game\\shaders.bin", 30, 0},
    };
    make_files(tree, FILES);
    ProcessOptions options;
    options.environment = profile_environment(tree);
    BackgroundProcess twk(twk_exe_path(), {"--no-gui", "clean"}, options);
    ASSERT_TRUE(twk.wait_for_output("[y/N]: ", 60000));
    std::list<DirectoryLink> links;
    const std::pair<std::string, const char*> swaps[] = {
        {"Temp\\Thesis", "Docs\\Thesis"}, {chrome + "Default", "Docs\\Website"}, {"Local\\D3DSCache", "Docs\\Game"}};
    for (const auto& [parent, documents] : swaps) {
        ASSERT_TRUE(MoveFileA(tree.path(parent).c_str(), tree.path(parent + ".old").c_str())) << parent;
        links.emplace_back(tree.path(parent), tree.path(documents));
    }
    twk.write_input("y\n");
    const std::string output = twk.finish(60000).output;
    EXPECT_NE(output.find("  Cleaned: 0 items (0 B)\n  Failed: 3 items\n"), std::string::npos) << output;
    for (const FixtureFile& file : FILES) EXPECT_TRUE(tree.exists(file.path)) << file.path;
}

// Each environment lists the real temporary folder's old file at most once
// and nothing outside it: not the profile, not a user folder, not a drive.
TEST(Identity, UnsoundTemporaryRootsListNothingOutsideTheRealOnesAndNothingTwice) {
    FixtureTree tree("roots");
    constexpr FixtureFile FILES[] = {{"Temp\\old.log", 1, 2 * DAY},       {"Windows\\Temp\\win.log", 2, 2 * DAY},
                                     {"Documents\\thesis.docx", 3, 2 * DAY}, {"Pictures\\wedding.jpg", 4, 2 * DAY},
                                     {"Drive\\stray.log", 5, 2 * DAY}};
    make_files(tree, FILES);
    // A drive of its own whose root is the tree's Drive folder.
    const std::string drive_link = windows_path_in("WINEPREFIX", "dosdevices") + "\\t:";
    remove_from_unix(drive_link);
    const DirectoryLink drive(drive_link, tree.path("Drive"));
    const std::string temp = tree.path("Temp"), windows_temp = tree.path("Windows\\Temp");
    const std::multiset<std::string> both{"Temp\\old.log", "Windows\\Temp\\win.log"}, windows_only{"Windows\\Temp\\win.log"};
    // An unsound root is passed over with a warning; a sound one met twice is walked once, silently.
    const std::tuple<const char*, std::string, std::string, std::multiset<std::string>, bool> cases[] = {
        {"unset", UNSET_VARIABLE, UNSET_VARIABLE, windows_only, true},  // GetTempPathA answers with the profile
        {"empty", "", "", windows_only, true},                          // %TEMP% expands to the current drive's root
        {"drive root", "T:\\", "T:\\", windows_only, true},
        {"trailing backslash", temp + "\\", temp, both, false},
        {"relative", "Pictures", "Pictures", windows_only, true},
        {"a user folder", tree.path("Documents"), tree.path("Documents"), windows_only, true},
        {"the Windows one", windows_temp, windows_temp + "\\", windows_only, false},
        {"around the Windows one", tree.path("Windows"), tree.path("Windows"), windows_only, false},
    };
    for (const auto& [name, temp_value, tmp_value, expected, warned] : cases) {
        ProcessOptions options;
        options.environment = profile_environment(tree);
        options.environment["TEMP"] = temp_value;
        options.environment["TMP"] = tmp_value;
        options.working_directory = tree.root();
        const ProcessResult scan = run_process(twk_exe_path(), {"--no-gui", "scan", "-v"}, options);
        EXPECT_EQ(listed_paths(tree, scan.output), expected) << name << "\n" << scan.output;
        EXPECT_EQ(scan.output.find("passed over\n") != std::string::npos, warned) << name << "\n" << scan.output;
        const ProcessResult json = run_process(twk_exe_path(), {"scan", "--json"}, options);
        EXPECT_EQ(nlohmann::json::parse(json.output)["warnings"].empty(), !warned) << name << "\n" << json.output;
    }
}

// Names that the system's path rules would turn into another name, and
// Windows-location matches made only through an 8.3 short name: never listed
// and never acted on, and the files their cut names reach stay.
TEST(Identity, NamesThatDoNotSurviveTheRoundTripAndShortNameMatchesAreNeverActedOn) {
    FixtureTree tree("names");
    constexpr FixtureFile FILES[] = {
        {"Temp\\report.log.", 1, 2 * DAY},  {"Temp\\report.log", 2, 0}, {"Temp\\notes.txt ", 3, 2 * DAY},
        {"Temp\\notes.txt", 4, 0},          {"Temp\\NUL.log", 5, 2 * DAY}, {"Temp\\com1", 6, 2 * DAY},
        {"Temp\\lost\xEF\xBF\xBD.log", 7, 2 * DAY},
        {"Local\\Microsoft\\Windows\\WER\\ReportArchive\\crash.\\r.wer", 8, 0},
        {"Local\\Microsoft\\Windows\\WER\\ReportArchive\\crash\\young.wer", 9, 0},
        {"Windows\\Logs\\CBS\\CbsPersist.logx", 10, 9 * DAY}, {"Windows\\Logs\\CBS\\setup.log_keep", 11, 9 * DAY},
        {"Windows\\ServiceProfiles\\LocalService\\AppData\\Local\\FontCache\\index.database", 12, 0},
    };
    make_files(tree, FILES);
    tree.set_age_seconds("Local\\Microsoft\\Windows\\WER\\ReportArchive\\crash.", 40 * DAY);

    const ProcessResult scan = run_twk_in_profile(tree, {"scan"});
    EXPECT_EQ(listed_paths(tree, scan.output), std::multiset<std::string>{}) << scan.output;
    run_twk_in_profile(tree, {"clean", "--force"});
    for (const FixtureFile& file : FILES) EXPECT_TRUE(tree.exists(file.path)) << file.path;
}

}  // namespace
