#pragma once
// Every clean, from the console or the window, leaves its outcome report (the
// document `clean --json` prints) in
// %LOCALAPPDATA%\Tidewick\logs\clean-YYYYMMDD-HHMMSS-PID.json, so an
// administrator can always see what went where. The newest 50 are kept.
// Dry runs delete nothing and leave no journal.

#include "cli/plan_fields.h"
#include "engine/records.h"

#include <string>

// Writes the report; empty on success, else what went wrong.
std::string write_clean_journal(const Json& report);
std::string write_clean_journal(const ScanResults& results, const CleanResults& cleaned);
