#pragma once
// Runs twk.exe against a fixture tree that stands in for a user's profile and
// Windows directory, and turns its console output into lines a test can
// compare exactly.

#include "support/child_process.h"
#include "support/fixture_tree.h"

#include <string>
#include <vector>

// Fixture layout the modules see through their environment variables.
inline constexpr const char* PROFILE_TEMP = "Temp";
inline constexpr const char* PROFILE_LOCAL = "Local";
inline constexpr const char* PROFILE_ROAMING = "Roaming";
inline constexpr const char* PROFILE_PROGRAMDATA = "ProgramData";
inline constexpr const char* PROFILE_WINDOWS = "Windows";

// TEMP, TMP, LOCALAPPDATA, APPDATA, PROGRAMDATA, USERPROFILE and WINDIR inside `tree`.
EnvironmentOverrides profile_environment(const FixtureTree& tree);

// Runs `twk --no-gui <args>` with the profile environment.
ProcessResult run_twk_in_profile(const FixtureTree& tree, const std::vector<std::string>& args);

struct ConsoleText {
    std::vector<std::string> scan_modules;  // module names on the scan's progress line, in order
    std::string text;                       // the rest, one line per progress message
};

// Splits the progress line of a scan off the output, after checking that its
// percentages are those of the number of modules shown: 0, 100/n, 200/n, ...
// Every other progress message becomes a line of its own.
ConsoleText console_text(const std::string& output);

// Where Wine's Recycle Bin keeps a deleted file of this name; forgetting it
// first keeps an earlier run's copy from passing for this run's.
std::string recycle_bin_path(const std::string& file_name);
void forget_recycled(const std::string& file_name);
