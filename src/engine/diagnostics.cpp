#include "engine/diagnostics.h"

#include <windows.h>

#include <cinttypes>
#include <cstdio>

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
