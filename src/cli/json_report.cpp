#include "cli/json_report.h"

#include "cli/commands.h"
#include "cli/clean_journal.h"
#include "cli/console.h"
#include "cli/plan.h"
#include "engine/cleaner.h"
#include "engine/diagnostics.h"

#include <build_info.h>

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string_view>

namespace {

constexpr int SCHEMA_VERSION = 2;

Json document(const char* command) {
    return {{"schema", SCHEMA_VERSION}, {"program", "Tidewick"}, {"version", TWK_VERSION}, {"command", command}};
}

const char* outcome_name(ItemOutcome outcome) {
    switch (outcome) {
        case ItemOutcome::removed: return "removed";
        case ItemOutcome::skipped: return "skipped";
        case ItemOutcome::failed: return "failed";
        default: return nullptr;  // not cleaned: a dry run
    }
}

const char* removal_name(Removal how) {
    switch (how) {
        case Removal::recycled: return "recycled";
        case Removal::deleted: return "deleted";
        case Removal::linked: return "linked";
        default: return nullptr;
    }
}

Json name_or_null(const char* name) { return name ? Json(name) : Json(nullptr); }

void add_items(Json& document, const ScanResults& results, const ItemList& items, bool with_outcome) {
    document["total_items"] = results.total_items;
    document["total_size"] = results.total_size;
    Json& listed = document["items"] = Json::array();
    const ItemFields fields;
    for (const CleanItem& item : items) {
        Json entry = fields(item);
        if (with_outcome) {
            entry["outcome"] = name_or_null(outcome_name(item.outcome));
            entry["how"] = name_or_null(removal_name(item.how));
            entry["reason"] = item.outcome == ItemOutcome::skipped || item.outcome == ItemOutcome::failed
                                  ? Json(utf8_from_ansi(item.reason))
                                  : Json(nullptr);
        }
        listed.push_back(std::move(entry));
    }
}

// What a reader should know beyond the counts.
Json clean_warnings(const CleanResults& cleaned) {
    Json warnings = Json::array();
    if (cleaned.recycled_count > 0) {
        warnings.push_back(std::to_string(cleaned.recycled_count) + " items (" + format_size(cleaned.bytes_recycled) +
                           ") are in the Recycle Bin: their space is in use until it is emptied");
    }
    return warnings;
}

// One line and a bare "\n": the stream is switched out of text mode so the
// bytes are the same whichever system reads the report.
int print_document(const std::string& text) {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    console_printf("%s\n", text.c_str());
    std::fflush(stdout);
    return EXIT_OK;
}

int print_document(const Json& document) { return print_document(document_text(document)); }

int error(const std::string& message, int status) {
    std::fprintf(stderr, "Error: %s\n", message.c_str());
    return status;
}

int scan_json(const CliOptions& options) {
    const auto results = scan_for(options);
    if (!results) return error("Scan failed", EXIT_SCAN_FAILED);
    return print_document(scan_document(*results));
}

int clean_json(const CliOptions& options) {
    if (!options.force && !options.dry_run) {
        return error("clean --json needs --force or --dry-run: a report cannot answer the confirmation prompt",
                     EXIT_USAGE);
    }
    const CleanScan scan = scan_for_clean(options);
    if (!scan.results) return error(scan.error, scan.status);
    if (options.dry_run) return print_document(clean_document(*scan.results, CleanResults{}, true));
    auto cleaned = clean_scanned(scan.results->items);
    if (!cleaned) cleaned = std::make_unique<CleanResults>();  // the engine could not clean: zero counts
    Json report = clean_document(*scan.results, *cleaned, false);
    if (const auto failure = write_clean_journal(report); !failure.empty()) report["warnings"].push_back(failure);
    return print_document(report);
}

int list_modules_json() {
    Json report = document("list-modules");
    Json& modules = report["modules"] = Json::array();
    for (const CleanerModule* module : cleaner_registered_modules()) {
        const bool enabled = module_enabled(*module);
        modules.push_back({{"id", module->id},
                           {"name", module->display_name ? module->display_name : module->id},
                           {"enabled", enabled}});
    }
    return print_document(report);
}

}  // namespace

Json scan_document(ScanResults& results) {
    complete_snapshots(results.items);
    Json report = document("scan");
    report["options"] = recorded_scan_options();
    Json& warnings = report["warnings"] = Json::array();
    for (const std::string& warning : results.warnings) warnings.push_back(utf8_from_ansi(warning));
    add_items(report, results, results.items, false);
    return report;
}

Json clean_document(const ScanResults& results, const CleanResults& cleaned, bool dry_run) {
    Json report = document("clean");
    // A dry run reports the items as found; a clean, as it left them.
    add_items(report, results, dry_run ? results.items : cleaned.items, true);
    report["dry_run"] = dry_run;
    report["cleaned_count"] = cleaned.cleaned_count;
    report["failed_count"] = cleaned.failed_count;
    report["bytes_freed"] = cleaned.bytes_freed;
    Json& errors = report["errors"] = Json::array();
    for (const std::string& message : cleaned.errors) errors.push_back(utf8_from_ansi(message));
    report["skipped_count"] = cleaned.skipped_count;
    report["recycled_count"] = cleaned.recycled_count;
    report["bytes_recycled"] = cleaned.bytes_recycled;
    report["warnings"] = clean_warnings(cleaned);
    for (const std::string& warning : results.warnings) report["warnings"].push_back(utf8_from_ansi(warning));
    return report;
}

// Invalid UTF-8, the one thing dump() would throw for, is replaced rather than thrown.
std::string document_text(const Json& document) {
    return document.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<int> run_json_command(const CliOptions& options) {
    g_progress_callback = nullptr;  // standard output carries the document alone
    const std::string_view command = *options.command;
    if (command == "scan") return scan_json(options);
    if (command == "clean") return clean_json(options);
    if (command == "list-modules") return list_modules_json();
    return std::nullopt;
}
