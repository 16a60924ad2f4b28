#include "engine/diagnostics.h"

#include <windows.h>

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

namespace {

// Under Wine a console made for a program started from a Unix shell has no
// window and answers no console query, so the entry says when it made one.
std::atomic<bool> console_prepared{false};

bool has_console() { return console_prepared || GetConsoleWindow() != nullptr; }

}  // namespace

void note_console_prepared() { console_prepared = true; }

void fatal_error(const char* title, const char* message) {
    if (has_console()) {
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
