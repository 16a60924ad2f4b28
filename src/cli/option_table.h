#pragma once
// Every option twk reads, in one table: the front-end choice, the console's
// parser, the module options and `--help` all read it, so an option the
// table does not hold is an error everywhere rather than silently ignored.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class Option : std::uint8_t {
    verbose, quiet, force, dry_run, no_gui, help, version,
    json, modules, exclude, plan,
    dup_path, enable_registry, dup_keep, dup_protect, dup_min_size, dup_action,
};

// Which spellings of an option choose the console front end by themselves.
enum class ChoosesConsole : std::uint8_t { no, any_name, short_name };

struct OptionSpec {
    Option option;
    const char* name;        // "--dry-run"
    const char* short_name;  // "-f", or null
    const char* value_name;  // "DIR" for "--dup-path=DIR"; null for a flag
    ChoosesConsole chooses_console;
    const char* help;
};

// In the order `--help` lists them.
std::span<const OptionSpec> known_options();

// An argument read against the table. `spec` is null for an unknown option.
struct OptionArgument {
    const OptionSpec* spec;
    std::string_view value;  // what follows "=", for options that take a value
};

// Nothing for a word: no leading "-", or a lone "-". A value option must carry
// its value ("--dup-path=DIR"); written bare, or a flag written with one, it
// is unknown.
std::optional<OptionArgument> read_option(std::string_view argument);

// True when the argument is one of the option's spellings that choose the console.
bool chooses_console(const OptionArgument& option, std::string_view argument);

// The first argument that looks like an option and is none of the table's.
std::optional<std::string> first_unknown_option(int argc, const char* const* argv);

// The value of every occurrence of an option, in the order given (empty for a flag).
std::vector<std::string> option_values(int argc, const char* const* argv, Option option);
bool option_given(int argc, const char* const* argv, Option option);

// "  -v, --verbose  Show detailed output", the option's line in `--help`.
std::string usage_line(const OptionSpec& spec);
