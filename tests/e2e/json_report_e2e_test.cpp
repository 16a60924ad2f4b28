// The --json report of the real twk.exe: standard output is one document
// that parses, holds what the text listing shows for the same profile, keeps
// awkward names intact, and carries a failing clean's errors.

#include "engine/diagnostics.h"
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
constexpr const char* ACCENTED_FILE = "Temp\\caf\xc3\xa9.log";
constexpr FixtureFile HELD = {"Temp\\held.log", 7, 2 * 86400};

std::string recode(const std::string& text, UINT from, UINT to) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    std::string result(wide.size() * 4, '\0');
    result.resize(WideCharToMultiByte(to, 0, wide.data(), static_cast<int>(wide.size()), result.data(),
                                      static_cast<int>(result.size()), nullptr, nullptr));
    return result;
}
std::string ansi(const std::string& utf8) { return recode(utf8, CP_UTF8, CP_ACP); }
// twk prints its text in its own code page, which may or may not be UTF-8.
std::string as_utf8(const std::string& text) {
    const bool utf8 = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                          nullptr, 0) > 0;
    return utf8 ? text : recode(text, CP_ACP, CP_UTF8);
}

// The text scan report the document's items and totals stand for.
std::string listing_of(const Json& report) {
    std::string cleanable, locked;
    std::size_t locked_count = 0;
    for (const Json& item : report["items"]) {
        const std::string line = "  [" + format_size(item["size"]) + "] " + item["path"].get<std::string>();
        const Json& by = item["locked_by"];
        if (!item["locked"]) {
            cleanable += line + "\n";
        } else {
            ++locked_count;
            const std::string pid = " (PID: " + item["locker_pid"].dump() + ")";
            locked += line + " - LOCKED by " + (by.is_null() ? "unknown process" : by.get<std::string>() + pid) + "\n";
        }
    }
    return scan_report(report["total_items"], report["total_size"], cleanable, locked, locked_count);
}

// What a clean reports beyond the scan, in one array.
Json outcome(const Json& report) {
    return {report["dry_run"], report["cleaned_count"], report["failed_count"], report["bytes_freed"],
            report["errors"]};
}

class JsonProfile : public ::testing::Test {
protected:
    void SetUp() override {
        const FixtureFile files[] = {{"Temp\\old.log", 100, 2 * 86400}, {ACCENTED_FILE, 30, 3 * 86400}, HELD};
        make_files(tree, files);
        holder.emplace(test_tool_path("lock_holder.exe"), std::vector<std::string>{tree.path(HELD.path)});
        ASSERT_TRUE(holder->wait_for_output("ready"));
        const std::string data = "Z:\\tmp\\twk-json-gone\\tool.exe";
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, MUI_CACHE, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                                  nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key.get(), ansi(VALUE_NAME).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size() + 1));
    }
    void TearDown() override { RegDeleteValueA(key.get(), ansi(VALUE_NAME).c_str()); }

    // twk with the profile, the registry cleaner on and no duplicate search outside the tree.
    ProcessResult twk(std::vector<std::string> args) {
        args.insert(args.begin(), {"--no-gui", "--enable-registry", "--dup-path=" + tree.make_dir("empty")});
        ProcessOptions options;
        options.environment = profile_environment(tree);
        options.separate_error = true;
        return run_process(twk_exe_path(), args, options);
    }

    // The one document standard output holds, after the checks every report passes.
    Json report(const ProcessResult& run, const char* command) {
        EXPECT_EQ(run.error, "");
        EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << "not one line and a newline: " << run.output;
        const Json document = Json::parse(run.output, nullptr, false);
        EXPECT_FALSE(document.is_discarded()) << run.output;
        EXPECT_EQ(document.value("schema", 0), 1);
        EXPECT_EQ(document.value("program", ""), "Tidewick");
        EXPECT_EQ(document.value("version", ""), TWK_VERSION);
        EXPECT_EQ(document.value("command", ""), command);
        return document;
    }

    FixtureTree tree{"json"};
    std::optional<BackgroundProcess> holder;
    UniqueRegistryKey key;
};

TEST_F(JsonProfile, ScanAndCleanReportWhatTheTextListingShows) {
    const ProcessResult text = twk({"scan"});
    const ProcessResult json = twk({"scan", "--json"});
    ASSERT_EQ(json.exit_code, 0);
    const Json scan = report(json, "scan");
    EXPECT_EQ(listing_of(scan), console_text(as_utf8(text.output)).text);

    // What the listing does not show, in scan order; and the awkward names
    // intact, in UTF-8 whatever code page twk runs in.
    Json kinds = Json::array();
    for (const Json& item : scan["items"]) {
        kinds.push_back({item["module"], item["type"], item["description"], item["selected"]});
    }
    EXPECT_EQ(kinds, Json::parse(R"json([["temp_files", "file", "Temporary file", true],
        ["temp_files", "file", "Temporary file (LOCKED)", false], ["temp_files", "file", "Temporary file", true],
        ["registry_cleaner", "registry_value", "MUI Cache", true]])json"));
    EXPECT_EQ(scan["items"][0]["path"], tree.root() + "\\" + ACCENTED_FILE);
    EXPECT_EQ(scan["items"][3]["path"], std::string("HKEY_CURRENT_USER\\") + MUI_CACHE + "\\" + VALUE_NAME);

    const ProcessResult refused = twk({"clean", "--json"});
    EXPECT_EQ(refused.exit_code, 1);
    EXPECT_EQ(refused.output, "");
    EXPECT_NE(refused.error.find("--force or --dry-run"), std::string::npos) << refused.error;

    const Json dry = report(twk({"clean", "--json", "--dry-run", "--force"}), "clean");
    EXPECT_EQ(dry["items"], scan["items"]);
    EXPECT_EQ(outcome(dry), Json::parse("[true, 0, 0, 0, []]"));
    for (const std::string& file : {std::string("Temp\\old.log"), std::string(ACCENTED_FILE)}) EXPECT_TRUE(tree.exists(file));

    // The held file fails the temporary-files batch; the value's name, cut at
    // its backslash, names no value, which fails the registry batch.
    const Json failed = report(twk({"clean", "--json", "--force"}), "clean");
    EXPECT_EQ(outcome(failed), Json({false, 0, 4, 0, std::vector<std::string>(4, "Failed to clean item")}));
}

TEST(JsonModules, ListModulesReportsTheRegisteredModules) {
    Json expected = Json::parse(R"json([
        {"id": "temp_files", "name": "Temporary Files", "enabled": true},
        {"id": "browser_cache", "name": "Browser Cache & Data", "enabled": true},
        {"id": "windows_cleanup", "name": "Windows Update & System Files", "enabled": true},
        {"id": "duplicate_finder", "name": "Duplicate Files", "enabled": true},
        {"id": "registry_cleaner", "name": "Registry Cleaner (Advanced)", "enabled": false}])json");
    for (const bool registry : {false, true}) {
        std::vector<std::string> args{"--no-gui", "list-modules", "--json"};
        if (registry) args.push_back("--enable-registry");
        const ProcessResult run = run_process(twk_exe_path(), args);
        EXPECT_EQ(run.exit_code, 0);
        expected[4]["enabled"] = registry;
        EXPECT_EQ(Json::parse(run.output, nullptr, false)["modules"], expected) << run.output;
    }
}

}  // namespace
