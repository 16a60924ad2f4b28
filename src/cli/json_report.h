#pragma once
// The "--json" form of scan, clean and list-modules, for scripts and for the
// tools that collect results from many machines: exactly one JSON document
// and a newline on standard output, errors on standard error, and the exit
// statuses of the text form. docs/json.md describes the document.

#include "cli/arguments.h"
#include "cli/plan_fields.h"

#include <optional>
#include <string>

// Runs the command with a JSON report; nothing when the command has no JSON
// form (help, version, unknown words), which then run as text.
std::optional<int> run_json_command(const CliOptions& options);

// The report of a clean (or of a dry run, whose outcome is empty), as
// `clean --json` prints it and the clean journal keeps it.
Json clean_document(const ScanResults& results, const CleanResults& cleaned, bool dry_run);
// The document as one line of UTF-8, without the line end.
std::string document_text(const Json& document);
