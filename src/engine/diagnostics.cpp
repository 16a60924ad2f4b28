#include "engine/diagnostics.h"

#include <windows.h>

#include <io.h>

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<bool> console_mode{false};

// What the runtime writes stderr to: a handle of its own, or none when the
// program started without one and no console was made for it.
bool standard_error_has_handle() {
    const int descriptor = _fileno(stderr);
    if (descriptor < 0) return false;
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void note_console_mode() { console_mode = true; }

void fatal_error(const char* title, const char* message) {
    if (console_mode && standard_error_has_handle()) {
        std::fprintf(stderr, "ERROR: %s - %s\n", title, message);
        std::fprintf(stderr, "Fatal error, exiting...\n");
    } else {
        MessageBoxA(nullptr, message, title, MB_ICONERROR | MB_OK);
    }
    std::exit(1);
}

std::string last_error_text() {
    const DWORD code = GetLastError();
    char buffer[256];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, buffer,
                                  sizeof buffer, nullptr);
    while (length > 0 && (buffer[length - 1] == '\n' || buffer[length - 1] == '\r' || buffer[length - 1] == '.')) {
        --length;
    }
    if (length == 0) return "error " + std::to_string(code);
    return std::string(buffer, length);
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
