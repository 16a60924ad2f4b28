#include "app/module_options.h"

#include "app/fatal_error.h"
#include "cli/option_table.h"
#include "engine/cleaner.h"
#include "modules/duplicate_finder.h"
#include "modules/registry_cleaner.h"

#include <windows.h>

#include <optional>

namespace {

[[noreturn]] void invalid_option(const std::string& message) { fatal_error("Invalid option", message.c_str()); }

// The path in full, so that it names the same place whatever the working
// directory; nothing for an empty or overlong one.
std::optional<std::string> full_path(const std::string& given) {
    if (given.empty()) return std::nullopt;
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(given.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    return std::string(full);
}

// Nothing when it is not an existing directory.
std::optional<std::string> full_directory_path(const std::string& given) {
    auto full = full_path(given);
    if (!full) return std::nullopt;
    const DWORD attributes = GetFileAttributesA(full->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    return full;
}

}  // namespace

ModuleOptions read_module_options(int argc, const char* const* argv) {
    ModuleOptions options;
    const std::vector<std::string> given = option_values(argc, argv, Option::dup_path);
    options.enable_registry = option_given(argc, argv, Option::enable_registry);
    if (given.size() > MAX_SEARCH_PATHS) invalid_option("Too many --dup-path directories (at most 10)");
    for (const std::string& directory : given) {
        auto full = full_directory_path(directory);
        if (!full) invalid_option("Not a directory: " + directory);
        options.dup_paths.push_back(std::move(*full));
    }
    // An excluded path need not exist: it may be made before the scan runs.
    for (const std::string& path : option_values(argc, argv, Option::exclude)) {
        auto full = full_path(path);
        if (!full) invalid_option("Not a path: --exclude=" + path);
        options.excluded.push_back(std::move(*full));
    }
    return options;
}

void apply_module_options(const ModuleOptions& options) {
    if (!options.dup_paths.empty()) duplicate_finder_set_search_paths(options.dup_paths);
    if (options.enable_registry) registry_cleaner_set_enabled(true);
    cleaner_set_exclusions(options.excluded);
}
