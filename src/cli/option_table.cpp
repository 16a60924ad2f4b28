#include "cli/option_table.h"

#include <array>
#include <cstdio>

namespace {

using enum Option;
using enum ChoosesConsole;

// The first seven keep their long-standing help lines and order.
constexpr std::array OPTIONS{
    OptionSpec{verbose, "--verbose", "-v", nullptr, short_name, "Show detailed output"},
    OptionSpec{quiet, "--quiet", "-q", nullptr, no, "Suppress non-error output"},
    OptionSpec{force, "--force", "-f", nullptr, no, "Skip confirmation prompts"},
    OptionSpec{dry_run, "--dry-run", nullptr, nullptr, no, "Show what would be cleaned without cleaning"},
    OptionSpec{no_gui, "--no-gui", nullptr, nullptr, any_name, "Force CLI mode (when no command given)"},
    OptionSpec{help, "--help", "-h", nullptr, any_name, "Show this help message"},
    OptionSpec{version, "--version", nullptr, nullptr, any_name, "Show version information"},
    OptionSpec{json, "--json", nullptr, nullptr, no, "Report scan, clean or list-modules as one JSON document"},
    OptionSpec{modules, "--modules", nullptr, "ID[,ID...]", no, "Scan and clean only these modules (ids as list-modules shows)"},
    OptionSpec{exclude, "--exclude", nullptr, "PATH", no, "Leave out everything at or below PATH (repeatable)"},
    OptionSpec{plan, "--plan", nullptr, "FILE", no, "Clean exactly the selected items of a saved 'scan --json'"},
    OptionSpec{dup_path, "--dup-path", nullptr, "DIR", no, "Search DIR for duplicate files (repeatable, at most 10)"},
    OptionSpec{enable_registry, "--enable-registry", nullptr, nullptr, no, "Turn the registry cleaner on for this run"},
    OptionSpec{dup_keep, "--dup-keep", nullptr, "RULE", no, "Keep the oldest, newest, first or shortest copy; select the rest"},
    OptionSpec{dup_protect, "--dup-protect", nullptr, "DIR", no, "Never select duplicate copies at or below DIR (repeatable)"},
    OptionSpec{dup_min_size, "--dup-min-size", nullptr, "SIZE", no, "Smallest file compared for duplicates (default 10M)"},
    OptionSpec{dup_action, "--dup-action", nullptr, "link", no, "Replace selected copies by hard links to the kept copy"},
};

const OptionSpec* flag_named(std::string_view argument) {
    for (const OptionSpec& spec : OPTIONS) {
        if (spec.value_name) continue;
        if (argument == spec.name || (spec.short_name && argument == spec.short_name)) return &spec;
    }
    return nullptr;
}

std::optional<OptionArgument> value_option(std::string_view argument) {
    const auto equals = argument.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    for (const OptionSpec& spec : OPTIONS) {
        if (spec.value_name && argument.substr(0, equals) == spec.name) return OptionArgument{&spec, argument.substr(equals + 1)};
    }
    return std::nullopt;
}

}  // namespace

std::span<const OptionSpec> known_options() { return OPTIONS; }

std::optional<OptionArgument> read_option(std::string_view argument) {
    if (!argument.starts_with('-') || argument == "-") return std::nullopt;
    if (const OptionSpec* flag = flag_named(argument)) return OptionArgument{flag, {}};
    if (const auto valued = value_option(argument)) return valued;
    return OptionArgument{nullptr, {}};
}

bool chooses_console(const OptionArgument& option, std::string_view argument) {
    if (!option.spec) return true;  // an unknown option is reported by the console
    switch (option.spec->chooses_console) {
        case any_name: return true;
        case short_name: return option.spec->short_name && argument == option.spec->short_name;
        default: return false;
    }
}

std::optional<std::string> first_unknown_option(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const auto option = read_option(argv[i]);
        if (option && !option->spec) return std::string(argv[i]);
    }
    return std::nullopt;
}

std::vector<std::string> option_values(int argc, const char* const* argv, Option wanted) {
    std::vector<std::string> values;
    for (int i = 1; i < argc; ++i) {
        const auto option = read_option(argv[i]);
        if (option && option->spec && option->spec->option == wanted) values.emplace_back(option->value);
    }
    return values;
}

bool option_given(int argc, const char* const* argv, Option wanted) { return !option_values(argc, argv, wanted).empty(); }

std::string usage_line(const OptionSpec& spec) {
    std::string names = spec.short_name ? std::string(spec.short_name) + ", " + spec.name : spec.name;
    if (spec.value_name) names.append("=").append(spec.value_name);
    char line[160];
    std::snprintf(line, sizeof line, "  %-13s  %s\n", names.c_str(), spec.help);
    return line;
}
