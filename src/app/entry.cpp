#include "app/entry.h"

#include "cli/arguments.h"
#include "cli/commands.h"
#include "engine/cleaner.h"
#include "engine/diagnostics.h"
#include "modules/duplicate_finder.h"
#include "modules/modules.h"
#include "modules/registry_cleaner.h"

#include <windows.h>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

#include <array>
#include <csignal>
#include <cstdio>
#include <string_view>

namespace {

// The modules in the order they are registered, scanned and listed.
constexpr std::array registration_order{
    &temp_files_module,
    &browser_cache_module,
    &windows_cleanup_module,
    &duplicate_finder_module,
    &registry_cleaner_module,
};

LONG WINAPI continue_search(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

// Restores the default disposition and raises again, so the process ends the
// way it would have ended without a handler.
void reraise(int signal_number) {
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

bool is_redirected(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    const DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

}  // namespace

void install_crash_handlers() {
    SetUnhandledExceptionFilter(continue_search);
    for (int signal_number : {SIGABRT, SIGFPE, SIGILL, SIGSEGV}) std::signal(signal_number, reraise);
}

bool wants_command_line(int argc, const char* const* argv) {
    if (argc == 1) return false;
    auto any_argument = [&](auto&& test) {
        for (int i = 1; i < argc; ++i) {
            if (test(std::string_view(argv[i]))) return true;
        }
        return false;
    };
    if (any_argument([](std::string_view a) { return a == "--no-gui"; })) return true;
    if (any_argument([](std::string_view a) {
            return a == "--help" || a == "-h" || a == "--version" || a == "-v";
        })) {
        return true;
    }
    return any_argument([](std::string_view a) {
        return a == "scan" || a == "clean" || a == "list-modules" || a == "config";
    });
}

void prepare_console() {
    // Looked at before attaching: under Wine a new console replaces the standard
    // handles, and `twk scan > report.txt` must still write to the file.
    const bool keep_input = is_redirected(STD_INPUT_HANDLE);
    const bool keep_output = is_redirected(STD_OUTPUT_HANDLE);
    const bool keep_error = is_redirected(STD_ERROR_HANDLE);
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) AllocConsole();
    FILE* reopened = nullptr;
    if (!keep_input) freopen_s(&reopened, "CONIN$", "r", stdin);
    if (!keep_output) freopen_s(&reopened, "CONOUT$", "w", stdout);
    if (!keep_error) freopen_s(&reopened, "CONOUT$", "w", stderr);
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (output != INVALID_HANDLE_VALUE && output != nullptr && GetConsoleMode(output, &mode)) {
        SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
    note_console_prepared();
}

void register_modules() {
    for (const CleanerModule* module : registration_order) cleaner_register_module(module);
}

int run_console_front_end(int argc, const char* const* argv) {
    const auto options = parse_arguments(argc, argv);
    if (!options) {
        print_usage();
        return EXIT_USAGE;
    }
    return run_command(*options);
}
