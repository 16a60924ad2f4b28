#pragma once
// Facts about the running system that modules read once, at start-up.

#include <string>
#include <vector>

// True when the process token says it runs elevated; a token that cannot be
// read counts as not elevated.
bool is_process_elevated();

// The executable names of the running processes, from one process list:
// under Wine each list costs milliseconds, as much as the rest of a start.
// Empty when the list cannot be taken.
std::vector<std::string> running_executables();
