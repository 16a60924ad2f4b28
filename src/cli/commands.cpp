#include "cli/commands.h"

#include "cli/clean_journal.h"
#include "cli/console.h"
#include "cli/json_report.h"
#include "cli/plan.h"
#include "engine/cleaner.h"
#include "engine/diagnostics.h"
#include "modules/duplicate_finder.h"
#include "modules/modules.h"

#include <build_info.h>

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace {

constexpr int LISTED_CLEANABLE = 10;
constexpr int LISTED_LOCKED = 5;

int show_usage() {
    print_usage();
    return EXIT_OK;
}

int show_version() {
    console_printf("Tidewick v%s\n", TWK_VERSION);
    console_printf("Build: %s %s\n", TWK_BUILD_DATE, TWK_BUILD_TIME);
    console_printf("Commit: %s\n", TWK_COMMIT);
    return EXIT_OK;
}

int list_modules() {
    console_printf("Available cleaning modules:\n");
    for (const CleanerModule* module : all_modules()) {
        console_printf("  %-16s - %s%s\n", module->id, module->summary,
                       module->enabled_by_default ? "" : " (disabled by default)");
    }
    return EXIT_OK;
}

// The first id of --modules that names no module.
std::optional<std::string> unknown_module(const CliOptions& options) {
    if (!options.modules) return std::nullopt;
    for (const std::string& id : *options.modules) {
        const auto named = [&id](const CleanerModule* module) { return id == module->id; };
        if (std::ranges::none_of(all_modules(), named)) return id;
    }
    return std::nullopt;
}

// With -v, the places a module passed over and why (an unsound TEMP, say).
void print_scan_warnings(const ScanResults& results, bool verbose) {
    if (!verbose) return;
    for (const std::string& warning : results.warnings) console_printf("Warning: %s\n", warning.c_str());
}

std::unique_ptr<ScanResults> scan_chosen(const CliOptions& options) {
    console_printf("Scanning for cleanable items...\n");
    auto results = scan_for(options);
    if (!results) console_printf("Error: Scan failed\n");
    return results;
}

// A duplicate copy names the copy of its group that stays.
void print_kept_copy(const CleanItem& item) {
    if (const DuplicateGroup* group = item.duplicate_group.get()) {
        console_printf("      kept: %s (group %u)\n", group->kept_path.c_str(), static_cast<unsigned>(group->number));
    }
}

// Up to ten cleanable items (all of them when verbose), then how many more
// there are; locked ones are only counted here. Returns the number of locked
// items in the whole list.
int print_cleanable(const ItemList& items, bool verbose) {
    console_printf("\nItems found:\n");
    int printed = 0, more = 0, locked = 0;
    for (const CleanItem& item : items) {
        if (item.locked) {
            ++locked;
        } else if (verbose || printed < LISTED_CLEANABLE) {
            console_printf("  [%s] %s\n", format_size(item.size).c_str(), item.path.c_str());
            if (verbose) print_kept_copy(item);
            ++printed;
        } else {
            ++more;
        }
    }
    if (more > 0) console_printf("  ... and %d more cleanable items\n", more);
    return locked;
}

void print_locked(const ItemList& items, int locked) {
    console_printf("\nLocked files (cannot be cleaned):\n");
    int printed = 0;
    for (const CleanItem& item : items) {
        if (!item.locked) continue;
        if (printed++ == LISTED_LOCKED) break;
        const std::string size = format_size(item.size);
        if (item.locked_by) {
            console_printf("  [%s] %s - LOCKED by %s (PID: %lu)\n", size.c_str(), item.path.c_str(),
                           item.locked_by->c_str(), static_cast<unsigned long>(item.locker_pid));
        } else {
            console_printf("  [%s] %s - LOCKED by unknown process\n", size.c_str(), item.path.c_str());
        }
    }
    if (locked > LISTED_LOCKED) console_printf("  ... and %d more locked files\n", locked - LISTED_LOCKED);
    console_printf("Total locked files: %d\n", locked);
}

int scan_command(const CliOptions& options) {
    duplicate_finder_set_digests(false);  // the listing shows none
    auto results = scan_chosen(options);
    if (!results) return EXIT_SCAN_FAILED;
    print_scan_warnings(*results, options.verbose);
    console_printf("\nScan Results:\n");
    console_printf("Total items: %zu\n", static_cast<std::size_t>(results->total_items));
    console_printf("Total size: %s\n", format_size(results->total_size).c_str());
    if (results->total_items == 0) return EXIT_OK;
    const int locked = print_cleanable(results->items, options.verbose);
    if (locked > 0) print_locked(results->items, locked);
    return EXIT_OK;
}

// What a clean would act on: the selected items nobody holds.
void print_would_clean(const ItemList& items) {
    std::size_t count = 0;
    std::uint64_t bytes = 0;
    for (const CleanItem& item : items) {
        if (!item.selected || item.locked) continue;
        ++count;
        bytes += item.size;
    }
    console_printf("Would clean: %zu items (%s)\n", count, format_size(bytes).c_str());
}

// Copies replaced by hard links to their kept copy: the space is free at once,
// but nothing of it is in the Recycle Bin to restore.
void print_links_made(const ItemList& items) {
    std::size_t count = 0;
    std::uint64_t bytes = 0;
    for (const CleanItem& item : items) {
        if (item.outcome != ItemOutcome::removed || item.how != Removal::linked) continue;
        ++count;
        bytes += item.size;
    }
    if (count == 0) return;
    console_printf("  Replaced by links: %zu items (%s), permanently: not in the Recycle Bin\n", count,
                   format_size(bytes).c_str());
}

// The totals, then with -v why each item that was not removed stayed.
void print_clean_summary(const CleanResults& cleaned, bool verbose) {
    console_printf("\nCleaning complete:\n");
    console_printf("  Cleaned: %zu items (%s)\n", static_cast<std::size_t>(cleaned.cleaned_count),
                   format_size(cleaned.bytes_freed).c_str());
    console_printf("  Failed: %zu items\n", static_cast<std::size_t>(cleaned.failed_count));
    if (cleaned.skipped_count > 0) console_printf("  Skipped: %zu items\n", static_cast<std::size_t>(cleaned.skipped_count));
    if (cleaned.recycled_count > 0) {
        console_printf("  In the Recycle Bin: %zu items (%s)\n", static_cast<std::size_t>(cleaned.recycled_count),
                       format_size(cleaned.bytes_recycled).c_str());
    }
    print_links_made(cleaned.items);
    if (!verbose) return;
    for (const CleanItem& item : cleaned.items) {
        if (item.outcome == ItemOutcome::skipped || item.outcome == ItemOutcome::failed) {
            console_printf("  %s: %s\n", item.path.c_str(), item.reason.c_str());
        }
    }
}

// Only the first character of the answer counts; end of input is a no.
bool confirmed() {
    console_printf("\nDo you want to clean these items? [y/N]: ");
    std::fflush(stdout);
    char answer[10];
    if (!std::fgets(answer, sizeof answer, stdin)) return false;
    return answer[0] == 'y' || answer[0] == 'Y';
}

int clean_command(const CliOptions& options) {
    console_printf("Scanning for cleanable items...\n");
    const CleanScan scan = scan_for_clean(options);  // with --plan, the plan's items as found again
    if (!scan.results) {
        console_printf("Error: %s\n", scan.error.c_str());
        return scan.status;
    }
    const auto& results = scan.results;
    print_scan_warnings(*results, options.verbose);
    if (results->total_items == 0) {
        console_printf("No items to clean.\n");
        return EXIT_OK;
    }
    console_printf("Found %zu items (%s)\n", static_cast<std::size_t>(results->total_items),
                   format_size(results->total_size).c_str());
    print_would_clean(results->items);
    // Checked before the prompt, so a dry run wins over --force.
    if (options.dry_run) {
        console_printf("\nDry run mode - no files will be deleted.\n");
        return EXIT_OK;
    }
    if (!options.force && !confirmed()) {
        console_printf("Cancelled.\n");
        return EXIT_DECLINED;
    }
    console_printf("\nCleaning...\n");
    auto cleaned = clean_scanned(results->items);
    if (!cleaned) return EXIT_OK;
    const std::string journal_failure = write_clean_journal(*results, *cleaned);
    print_clean_summary(*cleaned, options.verbose);
    std::fflush(stdout);
    if (!journal_failure.empty()) std::fprintf(stderr, "Warning: %s\n", journal_failure.c_str());
    return EXIT_OK;
}

}  // namespace

std::unique_ptr<ScanResults> scan_for(const CliOptions& options) {
    return options.modules ? cleaner_scan(*options.modules) : cleaner_scan();
}

int run_command(const CliOptions& options) {
    if (!options.command) return EXIT_USAGE;
    const std::string_view command = *options.command;
    if (command == "scan" || command == "clean") {
        if (const auto id = unknown_module(options)) {
            console_printf("Error: Unknown module '%s'\n", id->c_str());
            console_printf("Run 'twk list-modules' for the module ids.\n");
            return EXIT_USAGE;
        }
    }
    if (options.json) {
        if (const auto status = run_json_command(options)) return *status;
    }
    g_progress_callback = print_progress;
    if (command == "help") return show_usage();
    if (command == "version") return show_version();
    if (command == "scan") return scan_command(options);
    if (command == "clean") return clean_command(options);
    if (command == "list-modules") return list_modules();
    console_printf("Error: Unknown command '%s'\n", options.command->c_str());
    print_usage_hint();
    return EXIT_USAGE;
}

void print_progress(float percent, const char* message) {
    console_printf("\r[%3.0f%%] %s", static_cast<double>(percent), message);
    if (percent >= 100.0f) console_printf("\n");
    std::fflush(stdout);
}
