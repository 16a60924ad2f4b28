#include "modules/registry_cleaner.h"

#include "engine/win32_handle.h"
#include "support/fake_modules.h"
#include "support/child_process.h"
#include "support/fixture_tree.h"
#include "support/progress_recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include <winternl.h>

extern "C" NTSTATUS NTAPI NtSetValueKey(HANDLE, PUNICODE_STRING, ULONG, ULONG, PVOID, ULONG);

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Field;
using ::testing::IsEmpty;
using ::testing::Pair;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAre;

namespace {

constexpr const char* TEST_ROOT = "Software\\TidewickTest";

// One key per behaviour family, removed with everything in it afterwards.
class TestKey {
public:
    explicit TestKey(const std::string& family) : subkey_(std::string(TEST_ROOT) + "\\" + family) {
        RegDeleteTreeA(HKEY_CURRENT_USER, subkey_.c_str());
        RegCreateKeyExA(HKEY_CURRENT_USER, subkey_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key_.put(), nullptr);
    }
    ~TestKey() {
        key_.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, subkey_.c_str());
    }
    const char* subkey() const { return subkey_.c_str(); }
    std::string item_path(const std::string& name) const { return "HKEY_CURRENT_USER\\" + subkey_ + "\\" + name; }

    void set(const std::string& name, DWORD type, const std::string& bytes) const {
        RegSetValueExA(key_.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    }
    void set_string(const std::string& name, const std::string& text, DWORD type = REG_SZ) const {
        set(name, type, std::string(text.c_str(), text.size() + 1));
    }
    // A string value under a name the 8-bit calls cannot spell: one holding a
    // NUL, which only the native call takes, or an unpaired surrogate.
    void set_wide_name(std::wstring name, const std::string& text) const {
        const std::wstring data = wide_path(text) + L'\0';
        UNICODE_STRING value_name{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2), name.data()};
        NtSetValueKey(key_.get(), &value_name, 0, REG_SZ, const_cast<wchar_t*>(data.data()),
                      static_cast<ULONG>(data.size() * 2));
    }
    DWORD value_count() const {
        DWORD count = 0;
        RegQueryInfoKeyW(key_.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                         nullptr, nullptr);
        return count;
    }
    // Every value as (type, raw bytes), by name.
    std::map<std::string, std::pair<DWORD, std::string>> values() const {
        std::map<std::string, std::pair<DWORD, std::string>> all;
        for (DWORD index = 0;; ++index) {
            char name[512];
            DWORD name_length = sizeof name, type = 0, size = 0;
            if (RegEnumValueA(key_.get(), index, name, &name_length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
            std::string data(size, '\0');
            RegQueryValueExA(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
            all[name] = {type, data.substr(0, size)};
        }
        return all;
    }

private:
    std::string subkey_;
    UniqueRegistryKey key_;
};

class RegistryCleanerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(registry_cleaner_module.init());
        SetEnvironmentVariableA("LOCALAPPDATA", local_app_data.path("").c_str());
        SetEnvironmentVariableA("TWK_TEST_DIR", files.root().c_str());
        files.write_text("present.txt", "here");
    }
    void TearDown() override { registry_cleaner_module.cleanup(); }

    ItemList scan_key(const TestKey& key) {
        registry_cleaner_set_categories({{"Test Values", HKEY_CURRENT_USER, key.subkey()}});
        ItemList items;
        const std::uint64_t count = registry_cleaner_module.scan(items);
        EXPECT_EQ(count, items.size());
        return items;
    }
    FixtureTree files{"reg-files"};
    FixtureTree local_app_data{"reg-local"};
};

// Values are read in order (their names sort as they were made): a value too big for the
// 1024-byte buffer ends the key, one that fills it exactly is read safely.
TEST_F(RegistryCleanerTest, ReportsOnlyStringsNamingMissingPathsUntilTheBufferOverflows) {
    TestKey key("Kinds");
    const std::string missing = "Z:\\tmp\\twk-nowhere\\gone.exe";
    key.set_string("a_sz_missing", missing);
    key.set_string("a_sz_present", files.path("present.txt"));
    key.set_string("a_sz_present_dir", files.root());
    key.set_string("a_expand_missing", "%TWK_TEST_DIR%\\gone.txt", REG_EXPAND_SZ);
    key.set_string("a_expand_present", "%TWK_TEST_DIR%\\present.txt", REG_EXPAND_SZ);
    key.set_string("a_empty", "");
    key.set_string("a_too_long", "%TWK_TEST_DIR%\\" + std::string(250, 'x'), REG_EXPAND_SZ);
    key.set("a_dword", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    key.set("a_binary", REG_BINARY, "Z:\\nowhere");
    // Stored without a NUL; Wine adds one when reading, so these 1023 bytes fill the buffer.
    key.set("b_fills_buffer", REG_SZ, std::string(1023, 'q'));
    key.set_string("c_missing_after_full", missing);
    key.set_string("m_over_1024", std::string(1500, 'z'));
    key.set_string("z_missing_after_overflow", missing);
    registry_cleaner_set_enabled(true);

    const auto path_of = [&key](const char* name) { return Field(&CleanItem::path, key.item_path(name)); };
    EXPECT_THAT(scan_key(key), UnorderedElementsAre(path_of("a_expand_missing"), path_of("a_sz_missing"),
                                                    path_of("c_missing_after_full")));
}

TEST_F(RegistryCleanerTest, CleanBacksUpThenDeletesExactlyTheSelectedValuesAndNothingWithoutABackup) {
    TestKey key("Clean");
    key.set_string("stale \"quoted\" name", "Z:\\tmp\\twk-nowhere\\a \"b\".exe");
    key.set_string("stale [odd]=@;café ", "Z:\\tmp\\twk-nowhere\\%odd%\\=;[x].exe");
    key.set_string("stale_expand", "%TWK_TEST_DIR%\\gone\\b.dll", REG_EXPAND_SZ);
    key.set_string("kept_unselected", "Z:\\tmp\\twk-nowhere\\c.exe");
    key.set_string("with\\backslash", "Z:\\tmp\\twk-nowhere\\d.exe");
    // The value that name would reach if the clean trusted its last backslash.
    const TestKey with("Clean\\with");
    with.set_string("backslash", "x");
    registry_cleaner_set_enabled(true);
    ItemList items = scan_key(key);
    ASSERT_EQ(items.size(), 5u);
    for (CleanItem& item : items) item.selected = item.path != key.item_path("kept_unselected");
    const auto before = key.values();

    // No backup, no deletion: the backup directory cannot be made where a file stands.
    local_app_data.write_text("Tidewick", "a file, not a directory");
    {
        ProgressRecorder refused;
        EXPECT_FALSE(cleans_all(registry_cleaner_module, items));
        EXPECT_EQ(key.values(), before);
        EXPECT_THAT(refused.calls(), IsEmpty());
    }
    remove_tree(local_app_data.path("Tidewick"));

    ProgressRecorder progress;
    // The value whose name holds a backslash is not in the category's own key by its path: the clean fails.
    EXPECT_FALSE(cleans_all(registry_cleaner_module, items));
    EXPECT_TRUE(with.values().count("backslash"));

    auto kept = before;
    std::erase_if(kept, [](const auto& value) { return value.first.starts_with("stale"); });
    EXPECT_EQ(key.values(), kept);
    ASSERT_THAT(progress.calls(), ElementsAre(Pair(_, StartsWith("[i] Registry backup: "))));
    const std::string backup = progress.calls()[0].second.substr(21);
    EXPECT_THAT(backup, StartsWith(local_app_data.path("Tidewick\\Backups\\registry-backup-")));

    const ProcessResult imported = run_process("C:\\windows\\regedit.exe", {"/s", backup});
    EXPECT_EQ(imported.exit_code, 0) << imported.output;
    EXPECT_EQ(key.values(), before);
}

// A value is listed only when its name and data read back exactly and its data
// is an absolute path; it is deleted only while it still holds what was listed.
TEST_F(RegistryCleanerTest, ValuesChangedSinceTheScanOrHidingTheirTextStay) {
    TestKey key("Hidden");
    const std::string missing = "Z:\\tmp\\twk-nowhere\\gone.exe";
    for (const char* name : {"tool", "rewritten", "made_valid", "line\nfeed"}) key.set_string(name, missing);
    key.set_string("relative", "twk-nowhere.exe");
    key.set_string("tab_in_data", "Z:\\tmp\\twk-nowhere\\a\tb.exe");
    key.set_wide_name(std::wstring(L"tool\0x", 6), missing);  // read by the 8-bit calls as "tool"
    key.set_wide_name(L"lone\xD800", missing);
    registry_cleaner_set_enabled(true);
    ItemList items = scan_key(key);
    const auto path_of = [&key](const char* name) { return Field(&CleanItem::path, key.item_path(name)); };
    ASSERT_THAT(items, UnorderedElementsAre(path_of("tool"), path_of("rewritten"), path_of("made_valid")));

    key.set_string("rewritten", "Z:\\tmp\\twk-nowhere\\other.exe");
    key.set_string("made_valid", files.path("present.txt"));
    registry_cleaner_module.clean(items);
    for (const CleanItem& item : items) {
        const bool listed_as_is = item.path == key.item_path("tool");
        EXPECT_EQ(item.outcome, listed_as_is ? ItemOutcome::removed : ItemOutcome::failed) << item.path;
        EXPECT_EQ(item.reason, listed_as_is ? "" : "changed since the scan") << item.path;
    }
    EXPECT_EQ(key.value_count(), 7u);  // every value but the one deleted
    EXPECT_EQ(key.values().count("tool"), 1u);  // the one whose name holds a NUL
}

TEST_F(RegistryCleanerTest, RootValuesOfClassesRootAreFoundAndDeleted) {
    const std::string name = "twk-test-stale-extension";
    const std::string data = "Z:\\tmp\\twk-nowhere\\handler.exe";
    ASSERT_EQ(RegSetValueExA(HKEY_CLASSES_ROOT, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>(data.size() + 1)),
              ERROR_SUCCESS);
    registry_cleaner_set_categories({{"Invalid File Extensions", HKEY_CLASSES_ROOT, nullptr}});
    registry_cleaner_set_enabled(true);
    ItemList items;
    registry_cleaner_module.scan(items);
    std::erase_if(items, [&](const CleanItem& item) { return item.path.find(name) == std::string::npos; });
    ASSERT_THAT(items, ElementsAre(Field(&CleanItem::path, "HKEY_CLASSES_ROOT\\(root)\\" + name)));

    EXPECT_TRUE(cleans_all(registry_cleaner_module, items));
    EXPECT_NE(RegQueryValueExA(HKEY_CLASSES_ROOT, name.c_str(), nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegDeleteValueA(HKEY_CLASSES_ROOT, name.c_str());
}

// Switched off it finds nothing and deletes nothing; switched on, it still
// refuses paths outside the cleanable roots.
TEST_F(RegistryCleanerTest, SwitchedOffOrOutsideItsRootsItDeletesNothing) {
    TestKey key("Off");
    key.set_string("stale", "Z:\\tmp\\twk-nowhere\\gone.exe");
    EXPECT_FALSE(registry_cleaner_is_enabled());
    EXPECT_THAT(scan_key(key), IsEmpty());
    EXPECT_FALSE(cleans_all(registry_cleaner_module, {{ITEM_REGISTRY_VALUE, key.item_path("stale")}}));
    EXPECT_TRUE(key.values().count("stale"));
    EXPECT_TRUE(cleans_all(registry_cleaner_module, {}));

    registry_cleaner_set_enabled(true);
    for (const char* path : {"HKEY_USERS\\.DEFAULT\\x", "HKEY_CURRENT_CONFIG\\Software\\x", "HKEY_CURRENT_USER",
                             "HKEY_CURRENT_USER\\novalue", "hkey_current_user\\Software\\x"}) {
        EXPECT_FALSE(cleans_all(registry_cleaner_module, {{ITEM_REGISTRY_VALUE, path}})) << path;
    }
    CleanItem file{ITEM_FILE, "HKEY_CURRENT_USER\\Software\\x"};  // no registry value, unless unselected
    EXPECT_FALSE(cleans_all(registry_cleaner_module, {file}));
    file.selected = false;
    EXPECT_TRUE(cleans_all(registry_cleaner_module, {file}));
}

}  // namespace
