#pragma once

#include <cstdint>
#include <string>

// Reports an error the program cannot continue from, on the console when the
// process has one, else in a message box, and exits with status 1.
[[noreturn]] void fatal_error(const char* title, const char* message);

// Called by the entry once it has attached or opened the console for the
// command line, so fatal errors go there even when the console has no window.
void note_console_prepared();

// "0 B" .. "1023 B", then "%.2f" with KB, MB, GB or TB in steps of 1024.
std::string format_size(std::uint64_t bytes);
