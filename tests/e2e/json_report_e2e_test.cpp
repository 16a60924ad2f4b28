// The --json report of the real twk.exe: standard output is one document
// that parses, lists the items of every module with the fields the text
// listing leaves out (descriptions, types, lock fields),
// keeps awkward names intact, and carries a failing clean's errors.

#include "engine/win32_handle.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <build_info.h>

using Json = nlohmann::json;

namespace {

constexpr const char* MUI_CACHE =
    "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache";
// A registry value name may hold quotes and backslashes, a file name accents.
constexpr const char* VALUE_NAME = "twk \"json\" \\ caf\xc3\xa9";  // UTF-8
// The first file of each module is held open.
constexpr FixtureFile FILES[] = {
    {"Temp\\held.log", 7, 2 * 86400},
    {"Local\\BraveSoftware\\Brave-Browser\\User Data\\Default\\Cache\\Cache_Data\\b1", 3, 0},
    {"Local\\Microsoft\\Windows\\Explorer\\thumbcache_32.db", 3, 0},
    {"Temp\\old.log", 100, 2 * 86400},
    {"Temp\\caf\xc3\xa9.log", 30, 3 * 86400},
    {"Roaming\\Opera Software\\Opera Stable\\Cache\\Cache_Data\\o1", 4, 0},
    {"Local\\Microsoft\\Windows\\Explorer\\iconcache_32.db", 5, 0},
    {"Local\\D3DSCache\\shaders\\s1", 6, 0},
};

// What a clean reports beyond the scan, in one array.
Json outcome(const Json& report) {
    return {report["dry_run"], report["cleaned_count"], report["failed_count"], report["bytes_freed"],
            report["errors"]};
}

class JsonProfile : public ::testing::Test {
protected:
    void SetUp() override {
        make_files(tree, FILES);
        holder.emplace(test_tool_path("lock_holder.exe"),
                       std::vector<std::string>{tree.path(FILES[0].path), tree.path(FILES[1].path), tree.path(FILES[2].path)});
        ASSERT_TRUE(holder->wait_for_output("ready"));
        const std::wstring data = L"Z:\\tmp\\twk-json-gone\\tool.exe";
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, MUI_CACHE, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExW(key.get(), wide_path(VALUE_NAME).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    }
    void TearDown() override { RegDeleteValueW(key.get(), wide_path(VALUE_NAME).c_str()); }

    // The one document standard output holds from twk with the profile, the
    // registry cleaner on and no duplicate search outside the tree, after the
    // checks every report passes.
    Json report(std::vector<std::string> args) {
        args.insert(args.begin(), {"--no-gui", "--enable-registry", "--dup-path=" + tree.make_dir("empty"), "--json"});
        ProcessOptions options;
        options.environment = profile_environment(tree);
        options.separate_error = true;
        const ProcessResult run = run_process(twk_exe_path(), args, options);
        EXPECT_EQ(std::pair(run.exit_code, run.error), std::pair(0, std::string()));
        EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << "not one line and a newline: " << run.output;
        const Json document = Json::parse(run.output, nullptr, false);
        EXPECT_FALSE(document.is_discarded()) << run.output;
        EXPECT_EQ(Json({document["schema"], document["program"], document["version"], document["command"]}),
                  Json({2, "Tidewick", TWK_VERSION, args[4]}));
        return document;
    }

    FixtureTree tree{"json"};
    std::optional<BackgroundProcess> holder;
    UniqueRegistryKey key;
};

TEST_F(JsonProfile, ScanAndCleanReportTheItemsAndTheOutcome) {
    // In scan order, the awkward names intact in UTF-8 whatever code page twk runs in.
    const Json scan = report({"scan"});
    Json items = Json::array();
    for (const Json& item : scan["items"]) {
        items.push_back({item["module"], item["type"], item["description"], item["selected"], item["locked"],
                         item["locked_by"], item["locker_pid"], item["size"], item["path"]});
    }
    const auto file = [&](int i) { return tree.path(FILES[i].path); };
    const auto folder = [&](int i) { return file(i).substr(0, file(i).rfind('\\')); };
    const std::string unknown = "System or Unknown Process", locked = " (LOCKED by " + unknown + ")";
    EXPECT_EQ(items, Json({{"temp_files", "file", "Temporary file", true, false, nullptr, 0, 30, file(4)},
                           {"temp_files", "file", "Temporary file (LOCKED)", false, true, unknown, 0, 7, file(0)},
                           {"temp_files", "file", "Temporary file", true, false, nullptr, 0, 100, file(3)},
                           {"browser_cache", "directory", "Opera Cache", true, false, nullptr, 0, 4, folder(5)},
                           {"browser_cache", "directory", "Brave Cache" + locked, false, true, unknown, 0, 3, folder(1)},
                           {"windows_cleanup", "file", "Thumbnail Cache" + locked, false, true, unknown, 0, 3, file(2)},
                           {"windows_cleanup", "file", "Icon Cache", true, false, nullptr, 0, 5, file(6)},
                           {"windows_cleanup", "directory", "DirectX Shader Cache", true, false, nullptr, 0, 6, folder(7)},
                           {"registry_cleaner", "registry_value", "MUI Cache", true, false, nullptr, 0, 1,
                            std::string("HKEY_CURRENT_USER\\") + MUI_CACHE + "\\" + VALUE_NAME}}));
    EXPECT_EQ(Json({scan["total_items"], scan["total_size"]}), Json({9, 159}));

    const Json dry = report({"clean", "--dry-run", "--force"});
    Json found = dry["items"];
    for (Json& item : found) {
        for (const char* key : {"outcome", "how", "reason"}) EXPECT_TRUE(item.at(key).is_null()) << item;
        for (const char* key : {"outcome", "how", "reason"}) item.erase(key);
    }
    EXPECT_EQ(found, scan["items"]);
    EXPECT_EQ(outcome(dry), Json::parse("[true, 0, 0, 0, []]"));
    for (const FixtureFile& file : FILES) EXPECT_TRUE(tree.exists(file.path));

    // Held files are skipped and the rest go; the value's name, cut at its
    // backslash, names no value of the key, which fails that one item.
    const Json failed = report({"clean", "--force"});
    EXPECT_EQ(outcome(failed), Json({false, 5, 1, 145, {std::string("HKEY_CURRENT_USER\\") + MUI_CACHE + "\\" + VALUE_NAME +
                                                          ": not a value of a cleaned key"}}));
}

// A clean without --force or --dry-run cannot ask, so it is refused on standard error.
TEST(JsonCommands, ListModulesReportsTheRegisteredModulesAndAnUnforcedCleanIsRefused) {
    Json expected = Json::parse(R"json([
        {"id": "temp_files", "name": "Temporary Files", "enabled": true},
        {"id": "browser_cache", "name": "Browser Cache & Data", "enabled": true},
        {"id": "windows_cleanup", "name": "Windows Update & System Files", "enabled": true},
        {"id": "duplicate_finder", "name": "Duplicate Files", "enabled": true},
        {"id": "registry_cleaner", "name": "Registry Cleaner (Advanced)", "enabled": false}])json");
    for (const char* registry : {"--enable-registry=yes", "--enable-registry"}) {
        const ProcessResult run = run_process(twk_exe_path(), {"--no-gui", "list-modules", "--json", registry});
        EXPECT_EQ(run.exit_code, 0);
        expected[4]["enabled"] = registry == std::string("--enable-registry");
        EXPECT_EQ(Json::parse(run.output, nullptr, false)["modules"], expected) << run.output;
    }
    ProcessOptions options;
    options.separate_error = true;
    const ProcessResult refused = run_process(twk_exe_path(), {"--no-gui", "clean", "--json"}, options);
    EXPECT_EQ(std::pair(refused.exit_code, refused.output), std::pair(1, std::string()));
    EXPECT_NE(refused.error.find("--force or --dry-run"), std::string::npos) << refused.error;
}

}  // namespace
