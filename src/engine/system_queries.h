#pragma once
// Facts about the running system that modules read once, at start-up.

#include <string_view>

// True when the process token says it runs elevated; a token that cannot be
// read counts as not elevated.
bool is_process_elevated();

// True when a process with this executable name (any case) is running. A
// process list that cannot be taken counts as not running.
bool is_process_running(std::string_view executable_name);
