// Holder naming through a scripted Restart Manager (Wine's names nobody), and
// the probe and its fallback against files this test really holds open.

#include "engine/file_locks.h"

#include "engine/win32_handle.h"

#include "support/fixture_tree.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <tuple>

namespace {

// What the scripted Restart Manager and process queries answer.
struct Script {
    DWORD start_status = ERROR_SUCCESS;
    DWORD register_status = ERROR_SUCCESS;
    UINT holders = 0;          // processes using the file, the first one PID 4242 "Contoso Viewer"
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
    records[0].Process.dwProcessId = 4242;
    std::wcsncpy(records[0].strAppName, L"Contoso Viewer", CCH_RM_MAX_APP_NAME);
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

// One scripted answer and what the query makes of it, against a file this test holds or not.
struct LockCase {
    const char* what;
    Script script;
    bool held;
    std::tuple<std::string, DWORD, int, UINT> expected;  // holder (empty: not locked), PID, sessions ended, records asked
};

TEST(ScriptedRestartManager, NamesTheHolderOrFallsBack) {
    const LockCase cases[] = {
        {"first holder by its image's base name", {.holders = 2, .image = "C:\\Program Files\\Edge\\msedge.exe"},
         false, {"msedge.exe", 4242, 1, 2}},
        {"process cannot be opened", {.holders = 1, .process_opens = false}, false, {"Contoso Viewer", 4242, 1, 1}},
        {"image cannot be read", {.holders = 1}, false, {"Contoso Viewer", 4242, 1, 1}},
        {"long name cut", {.holders = 1, .image = "C:\\" + std::string(256, 'n')}, false, {std::string(255, 'n'), 4242, 1, 1}},
        {"more than five holders: the probe decides", {.holders = 6, .image = "C:\\x.exe"}, true, {"System or Unknown Process", 0, 1,
         MAX_LOCKER_RECORDS}},
        {"released before the query", {}, false, {"", 0, 1, 0}},
        {"no session", {.start_status = ERROR_ACCESS_DENIED}, true, {"", 0, 0, 0}},
        {"no registration", {.register_status = ERROR_ACCESS_DENIED}, true, {"", 0, 1, 0}},
    };
    FixtureTree tree("locks");
    const std::string file = tree.write_file("data.bin", 10);
    const LockQueryApi previous = install_lock_query_api(SCRIPTED_API);
    for (const LockCase& c : cases) {
        script = c.script;
        const UniqueFileHandle held(
            c.held ? CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) : INVALID_HANDLE_VALUE);
        const auto holder = is_file_locked(file);
        EXPECT_EQ(std::tuple(holder ? holder->name : "", holder ? holder->pid : 0, script.sessions_ended, script.records_asked),
                  c.expected) << c.what;
    }
    install_lock_query_api(previous);
}

// The real probe: a file that is not there is not locked either. The
// end-to-end tests show a file held by a second process reported locked.
TEST(FileLocks, AMissingFileIsNotLocked) {
    FixtureTree tree("realocks");
    EXPECT_FALSE(probe_file_lock(tree.path("missing.bin")));
}

}  // namespace
