#include "cli/commands.h"

#include "cli/clean_journal.h"
#include "cli/console.h"
#include "cli/json_report.h"
#include "cli/plan.h"
#include "engine/cleaner.h"
#include "engine/diagnostics.h"

#include <build_info.h>

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
    console_printf("  temp_files       - Temporary files\n");
    console_printf("  browser_cache    - Browser cache files\n");
    console_printf("  windows_cleanup  - Windows update and log files\n");
    console_printf("  duplicate_finder - Duplicate files\n");
    console_printf("  registry_cleaner - Registry entries (disabled by default)\n");
    return EXIT_OK;
}

std::unique_ptr<ScanResults> scan_all() {
    console_printf("Scanning for cleanable items...\n");
    auto results = cleaner_scan();
    if (!results) console_printf("Error: Scan failed\n");
    return results;
}

// Up to ten cleanable items, then how many more there are; locked ones are
// only counted here. Returns the number of locked items in the whole list.
int print_cleanable(const ItemList& items) {
    console_printf("\nItems found:\n");
    int printed = 0, more = 0, locked = 0;
    for (const CleanItem& item : items) {
        if (item.locked) {
            ++locked;
        } else if (printed < LISTED_CLEANABLE) {
            console_printf("  [%s] %s\n", format_size(item.size).c_str(), item.path.c_str());
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

int scan_command() {
    auto results = scan_all();
    if (!results) return EXIT_SCAN_FAILED;
    console_printf("\nScan Results:\n");
    console_printf("Total items: %zu\n", static_cast<std::size_t>(results->total_items));
    console_printf("Total size: %s\n", format_size(results->total_size).c_str());
    if (results->total_items == 0) return EXIT_OK;
    const int locked = print_cleanable(results->items);
    if (locked > 0) print_locked(results->items, locked);
    return EXIT_OK;
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
    const CleanScan scan = scan_for_clean();  // with --plan, the plan's items as found again
    if (!scan.results) {
        console_printf("Error: %s\n", scan.error.c_str());
        return scan.status;
    }
    const auto& results = scan.results;
    if (results->total_items == 0) {
        console_printf("No items to clean.\n");
        return EXIT_OK;
    }
    console_printf("Found %zu items (%s)\n", static_cast<std::size_t>(results->total_items),
                   format_size(results->total_size).c_str());
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
    console_printf("\nCleaning complete:\n");
    console_printf("  Cleaned: %zu items (%s)\n", static_cast<std::size_t>(cleaned->cleaned_count),
                   format_size(cleaned->bytes_freed).c_str());
    console_printf("  Failed: %zu items\n", static_cast<std::size_t>(cleaned->failed_count));
    std::fflush(stdout);
    if (!journal_failure.empty()) std::fprintf(stderr, "Warning: %s\n", journal_failure.c_str());
    return EXIT_OK;
}

}  // namespace

int run_command(const CliOptions& options) {
    if (!options.command) return EXIT_USAGE;
    if (options.json) {
        if (const auto status = run_json_command(options)) return *status;
    }
    g_progress_callback = print_progress;
    const std::string_view command = *options.command;
    if (command == "help") return show_usage();
    if (command == "version") return show_version();
    if (command == "scan") return scan_command();
    if (command == "clean") return clean_command(options);
    if (command == "list-modules") return list_modules();
    console_printf("Error: Unknown command '%s'\n", options.command->c_str());
    console_printf("Run 'twk --help' for usage information.\n");
    return EXIT_USAGE;
}

void print_progress(float percent, const char* message) {
    console_printf("\r[%3.0f%%] %s", static_cast<double>(percent), message);
    if (percent >= 100.0f) console_printf("\n");
    std::fflush(stdout);
}
