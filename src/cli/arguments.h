#pragma once
// The command line as the console front end reads it: one command word and
// its flags. Unknown options and extra words are ignored.

#include <optional>
#include <string>

struct CliOptions {
    // "scan", "clean", ... or "help" / "version" from their options. An empty
    // word is a command word too: scripts pass one when a variable is unset.
    std::optional<std::string> command;
    bool verbose = false;
    bool quiet = false;
    bool force = false;
    bool dry_run = false;
    bool json = false;  // "--json": scan, clean and list-modules report as JSON (cli/json_report.h)
};

// Nothing when no command word is found.
std::optional<CliOptions> parse_arguments(int argc, const char* const* argv);

void print_usage();
