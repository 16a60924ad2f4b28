#pragma once
// The cleaning modules' records in their fixed order, and a view of their
// fixed tables for checks over every entry.

#include "engine/records.h"

#include <span>
#include <vector>

// Every module, in the order they are registered, scanned, listed and shown.
// The entry, the command line, the JSON report and the window loop over it;
// a new module is its own file plus one line in this list.
std::span<const CleanerModule* const> all_modules();

extern const CleanerModule temp_files_module;
extern const CleanerModule browser_cache_module;
extern const CleanerModule windows_cleanup_module;

// One row of a module's fixed table: what it is called, where it looks
// (with environment references), and the name pattern it applies there.
struct ModuleTableRow {
    const char* name;
    const char* path_template;
    const char* pattern;
};

std::vector<ModuleTableRow> temp_files_table();
std::vector<ModuleTableRow> browser_cache_table();
std::vector<ModuleTableRow> windows_cleanup_table();

// The browsers the cache scan knows, each with whether it is passed over
// because it was running when twk started.
struct BrowserCheck {
    const char* name;
    bool passed_over;
};
std::vector<BrowserCheck> browser_cache_checks();
