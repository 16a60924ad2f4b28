#pragma once

#include <cstdint>
#include <string>

// Reports an error the program cannot continue from, on the console when the
// process has one, else in a message box, and exits with status 1.
[[noreturn]] void fatal_error(const char* title, const char* message);

// "0 B" .. "1023 B", then "%.2f" with KB, MB, GB or TB in steps of 1024.
std::string format_size(std::uint64_t bytes);
