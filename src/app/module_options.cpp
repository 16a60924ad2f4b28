#include "app/module_options.h"

#include "app/fatal_error.h"
#include "cli/option_table.h"
#include "engine/cleaner.h"
#include "modules/duplicate_finder.h"
#include "modules/registry_cleaner.h"

#include <windows.h>

#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>

namespace {

constexpr std::pair<std::string_view, DuplicateKeep> KEEP_RULES[] = {
    {"oldest", DuplicateKeep::oldest}, {"newest", DuplicateKeep::newest},
    {"first", DuplicateKeep::first},   {"shortest", DuplicateKeep::shortest}};
constexpr std::pair<std::string_view, DuplicateAction> ACTIONS[] = {
    {"recycle", DuplicateAction::recycle}, {"link", DuplicateAction::link}};
constexpr std::pair<char, std::uint64_t> SIZE_UNITS[] = {{'K', 1ULL << 10}, {'M', 1ULL << 20}, {'G', 1ULL << 30}};

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

template <typename Value, std::size_t N>
Value named_value(const std::pair<std::string_view, Value> (&table)[N], std::string_view option, std::string_view given) {
    for (const auto& [name, value] : table) {
        if (name == given) return value;
    }
    invalid_option(std::string(option) + std::string(given));
}

// "4096", "500K", "1M", "2G" (either case); at least one byte.
std::uint64_t size_value(std::string_view given) {
    std::uint64_t unit = 1;
    std::string_view digits = given;
    for (const auto& [letter, bytes] : SIZE_UNITS) {
        if (!given.empty() && std::toupper(static_cast<unsigned char>(given.back())) == letter) {
            unit = bytes;
            digits.remove_suffix(1);
        }
    }
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() || number == 0 ||
        number > UINT64_MAX / unit) {
        invalid_option("--dup-min-size=" + std::string(given));
    }
    return number * unit;
}

std::vector<std::string> full_directory_paths(const std::vector<std::string>& given) {
    std::vector<std::string> full_paths;
    for (const std::string& directory : given) {
        auto full = full_directory_path(directory);
        if (!full) invalid_option("Not a directory: " + directory);
        full_paths.push_back(std::move(*full));
    }
    return full_paths;
}

}  // namespace

ModuleOptions read_module_options(int argc, const char* const* argv) {
    ModuleOptions options;
    const std::vector<std::string> given = option_values(argc, argv, Option::dup_path);
    options.enable_registry = option_given(argc, argv, Option::enable_registry);
    if (given.size() > MAX_SEARCH_PATHS) invalid_option("Too many --dup-path directories (at most 10)");
    options.dup_paths = full_directory_paths(given);
    options.dup_rules.protected_dirs = full_directory_paths(option_values(argc, argv, Option::dup_protect));
    // The last of a repeated option counts, as with any other setting.
    if (const auto keep = option_values(argc, argv, Option::dup_keep); !keep.empty()) {
        options.dup_rules.keep = named_value(KEEP_RULES, "--dup-keep=", keep.back());
    }
    if (const auto action = option_values(argc, argv, Option::dup_action); !action.empty()) {
        options.dup_rules.action = named_value(ACTIONS, "--dup-action=", action.back());
    }
    if (const auto size = option_values(argc, argv, Option::dup_min_size); !size.empty()) {
        options.dup_min_size = size_value(size.back());
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
    duplicate_finder_set_rules(options.dup_rules);
    if (options.dup_min_size) duplicate_finder_set_min_file_size(*options.dup_min_size);
    if (options.enable_registry) registry_cleaner_set_enabled(true);
    cleaner_set_exclusions(options.excluded);
}
