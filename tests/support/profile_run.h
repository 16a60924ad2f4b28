#pragma once
// Runs twk.exe against a fixture tree that stands in for a user's profile and
// Windows directory, and turns its console output into lines a test can
// compare exactly.

#include "support/child_process.h"
#include "support/fixture_tree.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// TEMP and TMP (Temp), LOCALAPPDATA (Local), APPDATA (Roaming), PROGRAMDATA
// (ProgramData), USERPROFILE (the root) and WINDIR (Windows) inside `tree`.
EnvironmentOverrides profile_environment(const FixtureTree& tree);
// The same variables set in this process, for modules scanned in the test itself.
void use_profile_environment(const FixtureTree& tree);

// A file of a fixture profile: where below the root, how big, how old.
struct FixtureFile {
    const char* path;
    std::uint64_t size;
    std::int64_t age_seconds;
    bool kept_by_clean = false;  // for fixtures whose clean removes everything else
};
void make_files(const FixtureTree& tree, std::span<const FixtureFile> files);

// "  [<size>] <full path>\n", a line of the scan's listing.
std::string listing_line(const FixtureTree& tree, const std::string& relative, std::uint64_t size);

// "[ -1%] [>] Cleaning: <name>" and "[ -1%] [+] Cleaned: <name>", as the clean reports a removed file.
std::string cleaned_lines(const std::string& name);

// Runs `twk --no-gui <args>` with the profile environment.
ProcessResult run_twk_in_profile(const FixtureTree& tree, const std::vector<std::string>& args);

// The output with the scan's progress line dropped and every other progress
// message on a line of its own.
std::string console_text(const std::string& output);


// Where Wine's Recycle Bin keeps a deleted file of this name; forgetting it
// first keeps an earlier run's copy from passing for this run's.
std::string recycle_bin_path(const std::string& file_name);
void forget_recycled(const std::string& file_name);
