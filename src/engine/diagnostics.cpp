#include "engine/diagnostics.h"

#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

// A console run whose standard error goes to a file or pipe may have no console
// window at all (always so under Wine); the error belongs in that stream.
bool error_stream_redirected() {
    const HANDLE handle = GetStdHandle(STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

}  // namespace

void fatal_error(const char* title, const char* message) {
    if (GetConsoleWindow() || error_stream_redirected()) {
        std::fprintf(stderr, "ERROR: %s - %s\n", title, message);
        std::fprintf(stderr, "Fatal error, exiting...\n");
    } else {
        MessageBoxA(nullptr, message, title, MB_ICONERROR | MB_OK);
    }
    std::exit(1);
}

std::string format_size(std::uint64_t bytes) {
    static constexpr const char* units[] = {"B", "KB", "MB", "GB", "TB"};
    char buffer[32];
    double value = static_cast<double>(bytes);
    if (value < 1024.0) {
        std::snprintf(buffer, sizeof buffer, "%" PRIu64 " %s", bytes, units[0]);
        return buffer;
    }
    std::size_t unit = 0;
    do {
        value *= 0.0009765625;  // one 1024th
        ++unit;
    } while (value >= 1024.0 && unit < 4);
    std::snprintf(buffer, sizeof buffer, "%.2f %s", value, units[unit]);
    return buffer;
}
