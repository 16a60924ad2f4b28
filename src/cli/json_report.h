#pragma once
// The "--json" form of scan, clean and list-modules, for scripts and for the
// tools that collect results from many machines: exactly one JSON document
// and a newline on standard output, errors on standard error, and the exit
// statuses of the text form. docs/json.md describes the document.

#include "cli/arguments.h"

#include <optional>

// Runs the command with a JSON report; nothing when the command has no JSON
// form (help, version, unknown words), which then run as text.
std::optional<int> run_json_command(const CliOptions& options);
