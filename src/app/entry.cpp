#include "app/entry.h"

#include "app/exit_status.h"
#include "app/fatal_error.h"
#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/option_table.h"
#include "engine/cleaner.h"
#include "modules/modules.h"

#include <windows.h>

#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <string_view>

namespace {

constexpr std::size_t STDOUT_BUFFER_BYTES = 4096;

LONG WINAPI continue_search(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }

// Restores the default disposition and raises again, so the process ends the
// way it would have ended without a handler.
void reraise(int signal_number) {
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// What a standard stream had when the program started.
enum class StreamHandle { none, file_or_pipe, character_device };

StreamHandle stream_handle(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return StreamHandle::none;
    switch (GetFileType(handle)) {
        case FILE_TYPE_DISK:
        case FILE_TYPE_PIPE: return StreamHandle::file_or_pipe;
        case FILE_TYPE_CHAR: return StreamHandle::character_device;  // a terminal, a console, NUL
        default: return StreamHandle::none;
    }
}

void use_utf8_console() {
    SetConsoleOutputCP(CP_UTF8);
    SetConsoleCP(CP_UTF8);
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (output != INVALID_HANDLE_VALUE && output != nullptr && GetConsoleMode(output, &mode)) {
        SetConsoleMode(output, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}

using StreamHandles = std::array<StreamHandle, 3>;  // input, output, error

// A console costs a console host, which under Wine takes longer than a whole
// run, so one is attached or made only for a stream that has nowhere to go:
// files and pipes are kept, and so is a character device of the stream's own
// (the terminal a Unix shell hands over, or NUL) when there is no parent
// console. Under Wine a new console would also swallow `twk scan > report.txt`.
bool attach_or_allocate_console(const StreamHandles& handles) {
    const auto any_stream = [&](StreamHandle kind) { return std::ranges::find(handles, kind) != handles.end(); };
    if (!any_stream(StreamHandle::none) && !any_stream(StreamHandle::character_device)) return false;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) return true;
    return any_stream(StreamHandle::none) && AllocConsole();
}

void reopen_streams_without_handle(const StreamHandles& handles) {
    FILE* reopened = nullptr;
    if (handles[0] == StreamHandle::none) freopen_s(&reopened, "CONIN$", "r", stdin);
    if (handles[1] == StreamHandle::none) freopen_s(&reopened, "CONOUT$", "w", stdout);
    if (handles[2] == StreamHandle::none) freopen_s(&reopened, "CONOUT$", "w", stderr);
}

}  // namespace

void install_crash_handlers() {
    SetUnhandledExceptionFilter(continue_search);
    for (int signal_number : {SIGABRT, SIGFPE, SIGILL, SIGSEGV}) std::signal(signal_number, reraise);
}

bool wants_command_line(int argc, const char* const* argv) {
    if (argc == 1) return false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (const auto option = read_option(argument)) {
            if (chooses_console(*option, argument)) return true;
        } else if (argument == "scan" || argument == "clean" || argument == "list-modules" || argument == "config") {
            return true;
        }
    }
    return false;
}

void prepare_console() {
    note_console_mode();
    const StreamHandles handles{stream_handle(STD_INPUT_HANDLE), stream_handle(STD_OUTPUT_HANDLE),
                                stream_handle(STD_ERROR_HANDLE)};
    if (attach_or_allocate_console(handles)) {
        reopen_streams_without_handle(handles);
        use_utf8_console();
    }
    // Written in blocks: the runtime's formatted output otherwise reaches a
    // terminal or console one character per write, which splits UTF-8
    // sequences. Prompts and progress lines flush.
    std::setvbuf(stdout, nullptr, _IOFBF, STDOUT_BUFFER_BYTES);
}

void register_modules() {
    for (const CleanerModule* module : all_modules()) cleaner_register_module(module);
}

std::optional<int> refuse_unknown_options(int argc, const char* const* argv) {
    const auto unknown = first_unknown_option(argc, argv);
    if (!unknown) return std::nullopt;
    return reject_unknown_option(*unknown);
}

int run_console_front_end(int argc, const char* const* argv) {
    const auto options = parse_arguments(argc, argv);
    if (!options) {
        print_usage();
        return EXIT_USAGE;
    }
    return run_command(*options);
}
