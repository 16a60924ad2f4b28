#pragma once
// Options that configure modules rather than the front end, read from the
// command line by the entry for both front ends:
//
//   --dup-path=DIR     a directory for the duplicate finder to search instead
//                      of the user's folders; repeatable, at most 10
//   --dup-keep=RULE    oldest, newest, first or shortest: which copy of each
//                      duplicate group stays; the others are selected
//   --dup-protect=DIR  copies at or below DIR stay; repeatable
//   --dup-min-size=N   smallest file compared: bytes, or with K, M or G
//   --dup-action=WHAT  recycle (the default) or link: copies become hard
//                      links to the kept copy
//   --enable-registry  turns the registry cleaner on for this run
//   --exclude=PATH     nothing at or below PATH is listed; repeatable
//
// They never choose the front end; the console's parser passes over them.

#include "modules/duplicate_finder.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ModuleOptions {
    std::vector<std::string> dup_paths;  // full paths, in the order given
    DuplicateRules dup_rules;            // protected folders as full paths
    std::optional<std::uint64_t> dup_min_size;
    bool enable_registry = false;
    std::vector<std::string> excluded;  // full paths, in the order given
};

// Reads and checks the options. Too many directories, one that is not an
// existing directory, a value the option does not know, or an empty excluded
// path ends the program through fatal_error ("Invalid option").
ModuleOptions read_module_options(int argc, const char* const* argv);

// Applies the options to the registered modules; their init resets them, so
// this runs after registration.
void apply_module_options(const ModuleOptions& options);
