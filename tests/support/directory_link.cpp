#include "support/directory_link.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace {

std::string unix_path_of(const std::string& windows_path) {
    std::string path = windows_path.substr(2);  // drop "Z:"
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// A Unix program started through Wine gives no handle to wait on, so the
// result is watched on disk instead.
bool run_unix_and_wait(std::string command, const std::string& path, bool want_present) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return false;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    for (int waited = 0; waited < 10000; waited += 20) {
        const bool present = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (present == want_present) return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

DirectoryLink::DirectoryLink(const std::string& link, const std::string& target) : link_(link) {
    if (!run_unix_and_wait("/bin/ln -s \"" + unix_path_of(target) + "\" \"" + unix_path_of(link) + "\"", link, true)) {
        throw std::runtime_error("cannot link " + link);
    }
}

DirectoryLink::~DirectoryLink() {
    if (exists()) run_unix_and_wait("/bin/rm -f \"" + unix_path_of(link_) + "\"", link_, false);
}

bool DirectoryLink::exists() const { return GetFileAttributesA(link_.c_str()) != INVALID_FILE_ATTRIBUTES; }

void remove_from_unix(const std::string& path) { run_unix_and_wait("/bin/rm -rf \"" + unix_path_of(path) + "\"", path, false); }
