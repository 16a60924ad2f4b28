#include "engine/system_queries.h"

#include "engine/win32_handle.h"

#include <tlhelp32.h>

#include <cstring>
#include <string>

bool is_process_elevated() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &returned) &&
           elevation.TokenIsElevated != 0;
}

bool is_process_running(std::string_view executable_name) {
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    const std::string wanted(executable_name);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        char name[MAX_PATH] = {};
        if (WideCharToMultiByte(CP_ACP, 0, entry.szExeFile, -1, name, sizeof name, nullptr, nullptr) > 0 &&
            _stricmp(name, wanted.c_str()) == 0) {
            return true;
        }
    }
    return false;
}
