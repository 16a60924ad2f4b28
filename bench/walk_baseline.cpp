// The least a temporary-files scan has to do, as a yardstick for twk: walk a
// tree with FindFirstFileA/FindNextFileA, keep files at least a day old whose
// names match neither "*.tmp" nor "~*", and open each of those once with no
// sharing (the lock probe). Prints the number of files seen and of candidates.
//
//   walk_baseline.exe Z:\tmp\tree

#include <windows.h>
#include <shlwapi.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

std::uint64_t files = 0;
std::uint64_t candidates = 0;

std::uint64_t now_ticks() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool is_candidate(const WIN32_FIND_DATAA& entry) {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) return false;
    const std::uint64_t written =
        (static_cast<std::uint64_t>(entry.ftLastWriteTime.dwHighDateTime) << 32) | entry.ftLastWriteTime.dwLowDateTime;
    if ((now_ticks() - written) / 10000000ULL < 86400) return false;
    return !PathMatchSpecA(entry.cFileName, "*.tmp") && !PathMatchSpecA(entry.cFileName, "~*");
}

void probe(const char* path) {
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

void walk(const char* dir) {
    char pattern[MAX_PATH];
    if (std::snprintf(pattern, sizeof pattern, "%s\\*", dir) >= MAX_PATH) return;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(pattern, &entry);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!std::strcmp(entry.cFileName, ".") || !std::strcmp(entry.cFileName, "..")) continue;
        char path[MAX_PATH];
        if (std::snprintf(path, sizeof path, "%s\\%s", dir, entry.cFileName) >= MAX_PATH) continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            walk(path);
        } else {
            ++files;
            if (is_candidate(entry)) {
                ++candidates;
                probe(path);
            }
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: walk_baseline DIR\n");
        return 2;
    }
    walk(argv[1]);
    std::printf("files %llu candidates %llu\n", static_cast<unsigned long long>(files),
                static_cast<unsigned long long>(candidates));
    return 0;
}
