#pragma once

#include <cstdint>
#include <string>

// Reports an error the program cannot continue from and exits with status 1.
// The command line writes it to standard error when that stream has a handle;
// the window, or a command line whose standard error goes nowhere, shows a
// message box. An unattended run must never wait on a dialog.
[[noreturn]] void fatal_error(const char* title, const char* message);

// Called by the entry when the command line runs, before its streams are prepared.
void note_console_mode();

// The system's own words for GetLastError()'s code, without the line end;
// "error N" when it has none.
std::string last_error_text();

// "0 B" .. "1023 B", then "%.2f" with KB, MB, GB or TB in steps of 1024.
std::string format_size(std::uint64_t bytes);
