#include "engine/system_queries.h"

#include "engine/win32_handle.h"

#include <tlhelp32.h>

bool is_process_elevated() {
    UniqueHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &returned) &&
           elevation.TokenIsElevated != 0;
}

std::vector<std::string> running_executables() {
    std::vector<std::string> names;
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return names;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        char name[MAX_PATH] = {};
        if (WideCharToMultiByte(CP_ACP, 0, entry.szExeFile, -1, name, sizeof name, nullptr, nullptr) > 0) {
            names.emplace_back(name);
        }
    }
    return names;
}
