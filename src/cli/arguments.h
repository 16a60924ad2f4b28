#pragma once
// The command line as the console front end reads it: one command word and
// its options (cli/option_table.h). Extra words are ignored; unknown options
// are refused before the parser runs.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CliOptions {
    // "scan", "clean", ... or "help" / "version" from their options. An empty
    // word is a command word too: scripts pass one when a variable is unset.
    std::optional<std::string> command;
    bool verbose = false;  // clean: one line per skipped or failed item, with its reason
    bool quiet = false;
    bool force = false;
    bool dry_run = false;
    bool json = false;  // "--json": scan, clean and list-modules report as JSON (cli/json_report.h)
    // "--modules=ID[,ID...]": the modules scan and clean run; none given means all.
    std::optional<std::vector<std::string>> modules;
};

// Nothing when no command word is found.
std::optional<CliOptions> parse_arguments(int argc, const char* const* argv);

void print_usage();

// "Error: Unknown option '...'" and the hint to --help; returns the exit status.
int reject_unknown_option(std::string_view option);
// The line every refused command line ends with.
void print_usage_hint();
