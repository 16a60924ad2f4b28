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

std::vector<bool> which_processes_running(std::span<const std::string_view> executable_names) {
    std::vector<bool> running(executable_names.size(), false);
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return running;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        char name[MAX_PATH] = {};
        if (WideCharToMultiByte(CP_ACP, 0, entry.szExeFile, -1, name, sizeof name, nullptr, nullptr) <= 0) continue;
        for (std::size_t i = 0; i < executable_names.size(); ++i) {
            const std::string_view wanted = executable_names[i];
            if (wanted.size() == std::strlen(name) && _strnicmp(name, wanted.data(), wanted.size()) == 0) {
                running[i] = true;
            }
        }
    }
    return running;
}
