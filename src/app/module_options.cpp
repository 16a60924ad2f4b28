#include "app/module_options.h"

#include "engine/diagnostics.h"
#include "modules/registry_cleaner.h"

#include <windows.h>

#include <cctype>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

namespace {

constexpr std::string_view DUP_PATH_OPTION = "--dup-path=";
constexpr std::string_view DUP_KEEP_OPTION = "--dup-keep=";
constexpr std::string_view DUP_PROTECT_OPTION = "--dup-protect=";
constexpr std::string_view DUP_MIN_SIZE_OPTION = "--dup-min-size=";
constexpr std::string_view DUP_ACTION_OPTION = "--dup-action=";

constexpr std::pair<std::string_view, DuplicateKeep> KEEP_RULES[] = {
    {"oldest", DuplicateKeep::oldest}, {"newest", DuplicateKeep::newest},
    {"first", DuplicateKeep::first},   {"shortest", DuplicateKeep::shortest}};
constexpr std::pair<std::string_view, DuplicateAction> ACTIONS[] = {
    {"recycle", DuplicateAction::recycle}, {"link", DuplicateAction::link}};
constexpr std::pair<char, std::uint64_t> SIZE_UNITS[] = {{'K', 1ULL << 10}, {'M', 1ULL << 20}, {'G', 1ULL << 30}};
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
        invalid_option(std::string(DUP_MIN_SIZE_OPTION) + std::string(given));
    }
    return number * unit;
}

// One duplicate option other than --dup-path; false when the argument is none.
bool read_duplicate_option(std::string_view argument, ModuleOptions& options, std::vector<std::string>& protect) {
    const auto value = [&](std::string_view option) { return argument.substr(option.size()); };
    if (argument.starts_with(DUP_KEEP_OPTION)) {
        options.dup_rules.keep = named_value(KEEP_RULES, DUP_KEEP_OPTION, value(DUP_KEEP_OPTION));
    } else if (argument.starts_with(DUP_ACTION_OPTION)) {
        options.dup_rules.action = named_value(ACTIONS, DUP_ACTION_OPTION, value(DUP_ACTION_OPTION));
    } else if (argument.starts_with(DUP_MIN_SIZE_OPTION)) {
        options.dup_min_size = size_value(value(DUP_MIN_SIZE_OPTION));
    } else if (argument.starts_with(DUP_PROTECT_OPTION)) {
        protect.emplace_back(value(DUP_PROTECT_OPTION));
    } else {
        return false;
    }
    return true;
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
    std::vector<std::string> given, protect;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (read_duplicate_option(argument, options, protect)) continue;
        if (argument.starts_with(DUP_PATH_OPTION)) {
            given.emplace_back(argument.substr(DUP_PATH_OPTION.size()));
        } else if (argument == ENABLE_REGISTRY_OPTION) {
            options.enable_registry = true;
        }
    }
    if (given.size() > MAX_SEARCH_PATHS) invalid_option("Too many --dup-path directories (at most 10)");
    options.dup_paths = full_directory_paths(given);
    options.dup_rules.protected_dirs = full_directory_paths(protect);
    return options;
}

void apply_module_options(const ModuleOptions& options) {
    if (!options.dup_paths.empty()) duplicate_finder_set_search_paths(options.dup_paths);
    duplicate_finder_set_rules(options.dup_rules);
    if (options.dup_min_size) duplicate_finder_set_min_file_size(*options.dup_min_size);
    if (options.enable_registry) registry_cleaner_set_enabled(true);
}
