#include "app/module_options.h"

#include "engine/diagnostics.h"
#include "modules/duplicate_finder.h"
#include "modules/registry_cleaner.h"

#include <windows.h>

#include <optional>
#include <string_view>

namespace {

constexpr std::string_view DUP_PATH_OPTION = "--dup-path=";
constexpr std::string_view ENABLE_REGISTRY_OPTION = "--enable-registry";

[[noreturn]] void invalid_option(const std::string& message) { fatal_error("Invalid option", message.c_str()); }

// The directory as a full path, so that items name files the same way
// whatever the working directory; nothing when it is not an existing directory.
std::optional<std::string> full_directory_path(const std::string& given) {
    if (given.empty()) return std::nullopt;
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(given.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return std::nullopt;
    const DWORD attributes = GetFileAttributesA(full);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    return std::string(full);
}

}  // namespace

ModuleOptions read_module_options(int argc, const char* const* argv) {
    ModuleOptions options;
    std::vector<std::string> given;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.starts_with(DUP_PATH_OPTION)) {
            given.emplace_back(argument.substr(DUP_PATH_OPTION.size()));
        } else if (argument == ENABLE_REGISTRY_OPTION) {
            options.enable_registry = true;
        }
    }
    if (given.size() > MAX_SEARCH_PATHS) invalid_option("Too many --dup-path directories (at most 10)");
    for (const std::string& directory : given) {
        auto full = full_directory_path(directory);
        if (!full) invalid_option("Not a directory: " + directory);
        options.dup_paths.push_back(std::move(*full));
    }
    return options;
}

void apply_module_options(const ModuleOptions& options) {
    if (!options.dup_paths.empty()) duplicate_finder_set_search_paths(options.dup_paths);
    if (options.enable_registry) registry_cleaner_set_enabled(true);
}
