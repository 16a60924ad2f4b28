#include "support/directory_link.h"

#include "support/child_process.h"

#include <windows.h>

#include <algorithm>
#include <stdexcept>

namespace {

std::string unix_path_of(const std::string& windows_path) {
    std::string path = windows_path.substr(2);  // drop "Z:"
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// Wine starts a Unix program without waiting for it, so the result is
// watched on disk instead.
bool run_unix_and_wait(const std::string& program, const std::vector<std::string>& args, const std::string& path,
                       bool want_present) {
    run_process(program, args);
    for (int waited = 0; waited < 10000; waited += 20) {
        const bool present = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (present == want_present) return true;
        Sleep(20);
    }
    return false;
}

}  // namespace

DirectoryLink::DirectoryLink(const std::string& link, const std::string& target) : link_(link) {
    if (!run_unix_and_wait("Z:\\bin\\ln", {"-s", unix_path_of(target), unix_path_of(link)}, link, true)) {
        throw std::runtime_error("cannot link " + link);
    }
}

DirectoryLink::~DirectoryLink() {
    if (exists()) run_unix_and_wait("Z:\\bin\\rm", {"-f", unix_path_of(link_)}, link_, false);
}

bool DirectoryLink::exists() const { return GetFileAttributesA(link_.c_str()) != INVALID_FILE_ATTRIBUTES; }

void remove_from_unix(const std::string& path) { run_unix_and_wait("Z:\\bin\\rm", {"-rf", unix_path_of(path)}, path, false); }
