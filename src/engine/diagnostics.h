#pragma once

#include <cstdint>
#include <string>

// The system's own words for GetLastError()'s code, without the line end;
// "error N" when it has none.
std::string last_error_text();

// "0 B" .. "1023 B", then "%.2f" with KB, MB, GB or TB in steps of 1024.
std::string format_size(std::uint64_t bytes);
