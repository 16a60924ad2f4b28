#pragma once
// Groups of identical large files under a set of search directories. Each
// group lists one item per copy that may go; the copy that stays is part of
// the group's record, never an item.

#include "engine/records.h"

#include <string>
#include <vector>

extern const CleanerModule duplicate_finder_module;

inline constexpr std::size_t MAX_SEARCH_PATHS = 10;

// Replaces the directories to search: a trailing backslash is dropped, so are
// repeats and folders inside another one of the list, and at most
// MAX_SEARCH_PATHS are kept. After init they are the user's own folders,
// looked up on first use; the entry calls this after registration when the
// command line names directories.
void duplicate_finder_set_search_paths(std::vector<std::string> paths);
const std::vector<std::string>& duplicate_finder_search_paths();

// How a scan picks the copy of each group that stays, and what a clean does
// with the others.
enum class DuplicateKeep { none, oldest, newest, first, shortest };
enum class DuplicateAction { recycle, link };
struct DuplicateRules {
    // Without a rule the kept copy is the one `first` picks, and no copy is
    // selected; with one, every other copy is.
    DuplicateKeep keep = DuplicateKeep::none;
    // Full paths without a trailing backslash: a copy at or below one of them
    // is kept in preference and never selected.
    std::vector<std::string> protected_dirs;
    DuplicateAction action = DuplicateAction::recycle;
};
// Until the next init.
void duplicate_finder_set_rules(DuplicateRules rules);

// Whether a scan digests each group's contents (on after init). Finding the
// groups compares the copies byte for byte and needs no digest; digesting
// reads every group once more and costs more than finding them, so a report
// that shows no digest (the console's) turns it off.
void duplicate_finder_set_digests(bool wanted);

// Lowers or raises the 10 MiB minimum until the next init; lets tests build
// trees of many small groups.
void duplicate_finder_set_min_file_size(std::uint64_t bytes);
