// Names this test program's code page cannot spell. It has no UTF-8 manifest,
// so Wine gives it code page 1252: a listing returns "日本語.txt" as "???.txt",
// a wildcard, and by best fit "＼..＼abc.txt" as "\..\abc.txt", a path into the
// parent directory. Real files with such names sit beside canaries that the
// wildcard or the best-fit path would reach, and every canary must stay.

#include "engine/checked_delete.h"
#include "engine/file_system.h"
#include "engine/recycle_bin.h"
#include "modules/modules.h"
#include "modules/registry_cleaner.h"
#include "support/fake_modules.h"
#include "support/profile_run.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

constexpr const char* WILDCARD_NAME = "Temp\\日本語.txt";         // "???.txt"
constexpr const char* ESCAPING_NAME = "Temp\\sub\\＼..＼abc.txt";  // "sub\\..\abc.txt", that is Temp\abc.txt
constexpr const char* CANARIES[] = {"Temp\\abc.txt", "Temp\\ab.txt"};
constexpr FixtureFile LOSSY[] = {{WILDCARD_NAME, 10, 2 * 86400}, {ESCAPING_NAME, 10, 2 * 86400}};

class LossyNames : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(GetACP(), static_cast<UINT>(CP_UTF8));
        use_profile_environment(tree);
        make_files(tree, LOSSY);
        tree.write_file("Temp\\sub\\plain.bin", 5);
        for (const char* canary : CANARIES) tree.write_file(canary, 1);  // young: never listed themselves
    }

    // A module's scan and then its clean of everything it listed, in this process.
    static void scan_and_clean(const CleanerModule& module) {
        ItemList items;
        module.scan(items);
        cleans_all(module, items);
        module.cleanup();
        for (const CleanItem& item : items) ADD_FAILURE() << "listed " << item.path;
    }

    FixtureTree tree{"lossy"};
};

// Not listed, not sized, not entered, not handed to the Recycle Bin as the
// wildcard they read as: their directory fails to go and every canary stays.
TEST_F(LossyNames, AreNeverActedOnAndNothingOutsideIsTouched) {
    ASSERT_TRUE(temp_files_module.init());
    scan_and_clean(temp_files_module);
    for (const char* pattern : {"Temp\\???.txt", "Temp\\a*.txt"}) {
        EXPECT_FALSE(send_to_recycle_bin(tree.path(pattern))) << pattern;
    }
    EXPECT_EQ(calculate_directory_size(tree.path("Temp\\sub")), 5u);
    CleanItem sub{.type = ITEM_DIRECTORY, .path = tree.path("Temp\\sub")};
    sub.snapshot = listed_snapshot(sub.path, true);
    delete_listed(sub);
    EXPECT_EQ(sub.outcome, ItemOutcome::failed);
    EXPECT_FALSE(tree.exists("Temp\\sub\\plain.bin"));
    for (const char* path : {WILDCARD_NAME, ESCAPING_NAME, CANARIES[0], CANARIES[1]}) {
        EXPECT_TRUE(tree.exists(path)) << path;
    }
}

// A "?" in registry data may stand for a character that did not convert, so
// the path it spells says nothing about the real one; in a name it would
// delete another value.
TEST_F(LossyNames, RegistryValuesHoldingThemArePassedOver) {
    constexpr const char* SUBKEY = "Software\\TidewickTest\\Lossy";
    RegDeleteTreeA(HKEY_CURRENT_USER, SUBKEY);
    const auto set = [SUBKEY](const std::string& name, const std::string& data) {
        const std::wstring wide_data = wide_path(data);
        RegSetKeyValueW(HKEY_CURRENT_USER, wide_path(SUBKEY).c_str(), wide_path(name).c_str(), REG_SZ,
                        wide_data.c_str(), static_cast<DWORD>((wide_data.size() + 1) * sizeof(wchar_t)));
    };
    set("present", tree.path(WILDCARD_NAME));    // reads "...\???.txt", which cannot be found
    set("日本", tree.path("Temp\\missing.txt"));  // reads "??"
    set("??", tree.path(CANARIES[0]));           // what deleting "??" would remove

    ASSERT_TRUE(registry_cleaner_module.init());
    registry_cleaner_set_categories({{"Lossy", HKEY_CURRENT_USER, SUBKEY}});
    registry_cleaner_set_enabled(true);
    scan_and_clean(registry_cleaner_module);
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, SUBKEY, "??", RRF_RT_ANY, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    RegDeleteTreeA(HKEY_CURRENT_USER, SUBKEY);
}

}  // namespace
