#pragma once
// Facts about the running system that modules read once, at start-up.

#include <span>
#include <string_view>
#include <vector>

// True when the process token says it runs elevated; a token that cannot be
// read counts as not elevated.
bool is_process_elevated();

// For each executable name, true when a process with that name (any case) is
// running, all from one process list; a list that cannot be taken counts as
// none running. One list for all names: each one costs milliseconds under Wine.
std::vector<bool> which_processes_running(std::span<const std::string_view> executable_names);
