#include "app/fatal_error.h"

#include "app/exit_status.h"

#include <windows.h>

#include <io.h>

#include <atomic>
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
    std::exit(EXIT_USAGE);
}
