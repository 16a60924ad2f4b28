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

// Fixture layout the modules see through their environment variables.
inline constexpr const char* PROFILE_TEMP = "Temp";
inline constexpr const char* PROFILE_LOCAL = "Local";
inline constexpr const char* PROFILE_ROAMING = "Roaming";
inline constexpr const char* PROFILE_PROGRAMDATA = "ProgramData";
inline constexpr const char* PROFILE_WINDOWS = "Windows";

// TEMP, TMP, LOCALAPPDATA, APPDATA, PROGRAMDATA, USERPROFILE and WINDIR inside `tree`.
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

// The locked-files line of a file Wine's Restart Manager cannot name a holder for.
std::string unknown_holder_line(const FixtureTree& tree, const std::string& relative, std::uint64_t size);

// "[ -1%] [>] Cleaning: <name>" and "[ -1%] [+] Cleaned: <name>", as the clean reports a removed file.
std::string cleaned_lines(const std::string& name);

// What `twk scan` prints after its progress line for a list with locked items:
// the totals, the cleanable lines and the locked lines as given.
std::string scan_report(std::size_t items, std::uint64_t size, const std::string& cleanable,
                        const std::string& locked, std::size_t locked_count);
// What `twk clean --force` prints around the module's per-file reports when
// the whole list fails (a locked or unremovable item fails its module's batch).
std::string failed_clean_report(std::size_t items, std::uint64_t size, const std::string& reports);

// Runs `twk --no-gui <args>` with the profile environment.
ProcessResult run_twk_in_profile(const FixtureTree& tree, const std::vector<std::string>& args);

struct ConsoleText {
    std::vector<std::string> scan_modules;  // module names on the scan's progress line, in order
    std::string text;                       // the rest, one line per progress message
};

// Splits the progress line of a scan off the output; every other progress
// message becomes a line of its own.
ConsoleText console_text(const std::string& output);

// Where Wine's Recycle Bin keeps a deleted file of this name; forgetting it
// first keeps an earlier run's copy from passing for this run's.
std::string recycle_bin_path(const std::string& file_name);
void forget_recycled(const std::string& file_name);
