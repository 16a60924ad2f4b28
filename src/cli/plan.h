#pragma once
// Plans: the report of `twk scan --json`, reviewed (and perhaps edited) by a
// person, then carried out by `twk clean --plan=FILE`. A planned clean never
// widens what was reviewed: it scans the plan's modules afresh with the
// plan's own options and acts only on the plan's items that the fresh scan
// still lists as the plan recorded them, selected as the plan says.

#include "cli/plan_fields.h"
#include "engine/records.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

// The arguments the run works with. Given --plan=FILE, the plan is read and
// kept for the clean, and its scan options join the arguments as if they had
// been typed. A plan that cannot be used, or a scan option typed beside
// --plan, is reported on standard error and gives nothing: exit status 1.
std::optional<std::vector<std::string>> run_arguments(int argc, const char* const* argv);

// The scan options of this run, as a plan records them.
Json recorded_scan_options();

// Gives file and directory items whose module recorded no snapshot one read
// now; right after a scan that is what the scan saw.
void complete_snapshots(ItemList& items);

// What a clean is offered: a fresh scan of every module or, with a plan, the
// plan's items as a fresh scan of its modules finds them. Plan items the scan
// no longer lists are skipped "no longer found" and those that differ from
// the plan fail "changed since the plan"; the rest are pending, selected as
// the plan says. No results when the scan failed or the plan names a module
// twk does not have: `status` and `error` say which.
struct CleanScan {
    std::unique_ptr<ScanResults> results;
    int status = 0;
    std::string error;
};
CleanScan scan_for_clean();

// Cleans the items still pending and adds those already settled to the
// outcome; null when the engine could not clean.
std::unique_ptr<CleanResults> clean_scanned(const ItemList& items);
