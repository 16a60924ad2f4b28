// Holder naming through a scripted Restart Manager (Wine's names nobody), and
// the probe and its fallback against files this test really holds open.

#include "engine/file_locks.h"

#include "engine/win32_handle.h"

#include "support/fixture_tree.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>

namespace {

// What the scripted Restart Manager and process queries answer.
struct Script {
    DWORD start_status = ERROR_SUCCESS;
    DWORD register_status = ERROR_SUCCESS;
    UINT holders = 0;          // processes using the file
    DWORD pid = 4242;
    const wchar_t* app_name = L"Contoso Viewer";
    bool process_opens = true;
    std::string image;         // empty: the image query fails
    int sessions_ended = 0;
    UINT records_asked = 0;    // the count of the call that passed an array
};
Script script;

DWORD WINAPI start_session(DWORD* session, DWORD, WCHAR*) {
    *session = 7;
    return script.start_status;
}
DWORD WINAPI register_resources(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*) {
    return script.register_status;
}
DWORD WINAPI get_list(DWORD, UINT* needed, UINT* count, RM_PROCESS_INFO* records, LPDWORD) {
    *needed = script.holders;
    if (!records) return script.holders == 0 ? ERROR_SUCCESS : ERROR_MORE_DATA;
    script.records_asked = *count;
    if (*count < script.holders) return ERROR_MORE_DATA;
    records[0].Process.dwProcessId = script.pid;
    std::wcsncpy(records[0].strAppName, script.app_name, CCH_RM_MAX_APP_NAME);
    *count = script.holders;
    return ERROR_SUCCESS;
}
DWORD WINAPI end_session(DWORD) {
    ++script.sessions_ended;
    return ERROR_SUCCESS;
}
HANDLE WINAPI open_process(DWORD, BOOL, DWORD) {
    // A real handle, so closing it is real too.
    return script.process_opens ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, GetCurrentProcessId())
                                : nullptr;
}
BOOL WINAPI query_image_name(HANDLE, DWORD, LPSTR buffer, PDWORD size) {
    if (script.image.empty() || script.image.size() >= *size) return FALSE;
    script.image.copy(buffer, script.image.size());
    buffer[script.image.size()] = '\0';
    *size = static_cast<DWORD>(script.image.size());
    return TRUE;
}

constexpr LockQueryApi SCRIPTED_API{start_session, register_resources, get_list,
                                    end_session,   open_process,       query_image_name};

class ScriptedRestartManager : public ::testing::Test {
protected:
    void SetUp() override {
        script = Script{};
        previous = install_lock_query_api(SCRIPTED_API);
        file = tree.write_file("data.bin", 10);
    }
    void TearDown() override { install_lock_query_api(previous); }

    UniqueFileHandle hold() const {
        return UniqueFileHandle(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    }

    LockQueryApi previous{};
    FixtureTree tree{"locks"};
    std::string file;
};

TEST_F(ScriptedRestartManager, NamesTheFirstHolderByTheBaseNameOfItsImage) {
    script.holders = 2;
    script.image = "C:\\Program Files\\Edge\\msedge.exe";
    const auto holder = is_file_locked(file);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->name, "msedge.exe");
    EXPECT_EQ(holder->pid, 4242u);
    EXPECT_EQ(script.records_asked, 2u);
    EXPECT_EQ(script.sessions_ended, 1);
}

TEST_F(ScriptedRestartManager, FallsBackToTheApplicationNameWhenTheProcessCannotBeAsked) {
    script.holders = 1;
    script.process_opens = false;
    auto holder = is_file_locked(file);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->name, "Contoso Viewer");
    EXPECT_EQ(holder->pid, 4242u);

    script.process_opens = true;  // opens, but its image cannot be read
    holder = is_file_locked(file);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->name, "Contoso Viewer");
}

TEST_F(ScriptedRestartManager, CutsALongNameTo255Bytes) {
    script.holders = 1;
    script.image = "C:\\" + std::string(256, 'n');
    const auto holder = is_file_locked(file);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->name, std::string(255, 'n'));
}

TEST_F(ScriptedRestartManager, MoreThanFiveHoldersNameNobodyAndTheProbeDecides) {
    script.holders = 6;
    script.image = "C:\\x.exe";
    const UniqueFileHandle held = hold();
    ASSERT_TRUE(held);
    const auto holder = is_file_locked(file);
    EXPECT_EQ(script.records_asked, MAX_LOCKER_RECORDS);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->name, "System or Unknown Process");
    EXPECT_EQ(holder->pid, 0u);
}

TEST_F(ScriptedRestartManager, AFileReleasedBeforeTheQueryIsNotLocked) {
    EXPECT_FALSE(is_file_locked(file));
    EXPECT_EQ(script.sessions_ended, 1);
}

TEST_F(ScriptedRestartManager, NoSessionOrNoRegistrationMeansNoAnswerEvenForAHeldFile) {
    const UniqueFileHandle held = hold();
    script.start_status = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(is_file_locked(file));
    EXPECT_EQ(script.sessions_ended, 0);  // there was no session to end

    script.start_status = ERROR_SUCCESS;
    script.register_status = ERROR_ACCESS_DENIED;
    EXPECT_FALSE(is_file_locked(file));
    EXPECT_EQ(script.sessions_ended, 1);
}

// The real calls: Wine's Restart Manager answers with an empty list.
TEST(FileLocks, ProbeAndQueryAgainstARealHolder) {
    FixtureTree tree("realocks");
    const std::string file = tree.write_file("held.bin", 3);
    EXPECT_FALSE(probe_file_lock(file));
    EXPECT_FALSE(is_file_locked(file));
    EXPECT_FALSE(probe_file_lock(tree.path("missing.bin")));  // not there is not locked

    UniqueFileHandle held(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_TRUE(probe_file_lock(file));
    const auto holder = is_file_locked(file);
    ASSERT_TRUE(holder);
    EXPECT_EQ(holder->name, "System or Unknown Process");
    EXPECT_EQ(holder->pid, 0u);

    CleanItem item;
    item.path = file;
    ASSERT_TRUE(apply_lock_state(item, file));
    EXPECT_TRUE(item.locked);
    EXPECT_FALSE(item.selected);
    EXPECT_EQ(item.locked_by, "System or Unknown Process");
}

}  // namespace
