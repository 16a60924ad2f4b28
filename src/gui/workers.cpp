#include "gui/gui_state.h"

#include "cli/clean_journal.h"
#include "engine/cleaner.h"
#include "engine/diagnostics.h"
#include "gui/clean_plan.h"
#include "gui/clean_report.h"
#include "gui/items_view.h"
#include "gui/scan_report.h"

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

namespace {

// A module to scan: its GUI_MODULES row (or -1 for one the window does not list).
struct ScanStep {
    std::string id;
    int row;
    std::string name;
};

int row_of(std::string_view id) {
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) {
        if (id == GUI_MODULES[i].module->id) return i;
    }
    return -1;
}

// The ticked modules; with none ticked, every registered module.
std::vector<ScanStep> scan_steps() {
    std::vector<ScanStep> steps;
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) {
        if (!g_gui.scan_selection[i]) continue;
        steps.push_back({GUI_MODULES[i].module->id, i, GUI_MODULES[i].status_name});
        gui_log("⏳ %s: Scanning...\n", GUI_MODULES[i].status_name);
    }
    if (!steps.empty()) return steps;
    for (const CleanerModule* module : cleaner_registered_modules()) {
        const int row = row_of(module->id);
        steps.push_back({module->id, row, row >= 0 ? GUI_MODULES[row].status_name : module->id});
    }
    return steps;
}

void set_progress(std::string title, std::string path, std::uint64_t done, std::uint64_t total) {
    std::lock_guard guard(g_gui.progress.lock);
    g_gui.progress.title = std::move(title);
    g_gui.progress.path = std::move(path);
    g_gui.progress.done = done;
    g_gui.progress.total = total;
}

void add_results(ScanResults& all, std::unique_ptr<ScanResults> part) {
    if (!part) return;
    all.total_items += part->total_items;
    all.total_size += part->total_size;
    std::ranges::move(part->items, std::back_inserter(all.items));
    std::ranges::move(part->warnings, std::back_inserter(all.warnings));
}

// "%d.%d seconds": whole seconds and tenths, from the operation's start.
struct Elapsed {
    int seconds;
    int tenths;
};

Elapsed elapsed_since_start() {
    const DWORD elapsed = GetTickCount() - g_gui.operation_start_tick;
    return {static_cast<int>(elapsed / 1000), static_cast<int>((elapsed % 1000) / 100)};
}

void remember_scan_time() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    g_gui.scan_done_minute = now.wHour * 60 + now.wMinute;
}

// Module by module, so Cancel can stop the scan between two of them.
std::unique_ptr<ScanResults> scan_modules(const std::vector<ScanStep>& steps, ModuleSelection& scanned) {
    auto results = std::make_unique<ScanResults>();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (g_gui.cancel_requested) break;
        char title[160];
        std::snprintf(title, sizeof title, "Scanning: %s (%zu of %zu)", steps[i].name.c_str(), i + 1, steps.size());
        set_progress(title, "", i, steps.size());
        const std::string ids[] = {steps[i].id};
        add_results(*results, cleaner_scan(ids));
        if (steps[i].row >= 0) scanned[steps[i].row] = 1;
    }
    return results;
}

// The outcomes of one batch, written back into the held items it was copied
// from (a batch comes back in the order it was given).
void record_outcomes(ItemList& items, const std::vector<std::size_t>& plan, std::size_t first, const CleanResults& part) {
    std::lock_guard guard(g_gui.items_lock);
    std::size_t next = first;
    for (const CleanItem& done : part.items) {
        if (next >= plan.size() || items[plan[next]].path != done.path) break;
        CleanItem& item = items[plan[next++]];
        item.outcome = done.outcome;
        item.how = done.how;
        item.reason = done.reason;
    }
}

std::string cleaning_title(std::uint64_t done, std::uint64_t total, std::uint64_t bytes) {
    char title[160];
    std::snprintf(title, sizeof title, "Cleaning: %llu of %llu items, %s", static_cast<unsigned long long>(done),
                  static_cast<unsigned long long>(total), format_size(bytes).c_str());
    return title;
}

// Batch by batch; each batch is a copy for the engine, which also stops
// between items once Cancel is pressed. Null when the engine failed.
std::unique_ptr<CleanResults> clean_plan(ItemList& items, const std::vector<std::size_t>& plan) {
    auto totals = std::make_unique<CleanResults>();
    std::uint64_t bytes_done = 0;
    std::size_t done = 0;
    for (const auto& [first, last] : gui_clean_batches(items, plan)) {
        if (g_gui.cancel_requested) break;
        set_progress(cleaning_title(done, plan.size(), bytes_done), items[plan[first]].path, done, plan.size());
        ItemList batch;
        for (std::size_t i = first; i < last; ++i) batch.push_back(items[plan[i]]);
        std::unique_ptr<CleanResults> part = cleaner_clean(batch, &g_gui.cancel_requested);
        if (!part) return nullptr;
        record_outcomes(items, plan, first, *part);
        gui_add_clean_results(*totals, *part);
        for (std::size_t i = first; i < last; ++i) bytes_done += items[plan[i]].size;
        done = last;
    }
    set_progress(cleaning_title(done, plan.size(), bytes_done), "", done, plan.size());
    // What the clean never reached was skipped, as the engine settles it within a batch.
    std::lock_guard guard(g_gui.items_lock);
    for (std::size_t i = done; i < plan.size(); ++i) {
        settle_skipped(items[plan[i]], "cancelled");
        totals->skipped_count += 1;
    }
    return totals;
}

std::vector<const CleanItem*> held_items(const ItemList& items, const std::vector<std::size_t>& plan) {
    std::vector<const CleanItem*> held;
    for (std::size_t index : plan) {
        if (items[index].outcome == ItemOutcome::skipped && items[index].locked) held.push_back(&items[index]);
    }
    return held;
}

// The clean's record for the administrator, as the console's clean leaves it:
// every item the clean was asked to act on, with its outcome.
void journal(const ScanResults& results, const std::vector<std::size_t>& plan, CleanResults& totals) {
    for (std::size_t index : plan) totals.items.push_back(results.items[index]);
    const std::string problem = write_clean_journal(results, totals);
    if (!problem.empty()) gui_log("⚠ The clean journal could not be written: %s\n", problem.c_str());
}

void finish_clean(std::string status) {
    std::snprintf(g_gui.status_text, sizeof g_gui.status_text, "%s", status.c_str());
    g_gui.clean_done_tick = GetTickCount();
    g_gui.clean_outcome_shown = true;
    g_gui.cleaning = false;
}

}  // namespace

int gui_tally_entry(std::string_view description) {
    if (!description.starts_with('[')) return -1;
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) {
        const std::string_view id = GUI_MODULES[i].module->id;
        if (description.substr(1).starts_with(id) && description.substr(1 + id.size()).starts_with(']')) return i;
    }
    return -1;
}

void gui_hold_results(std::unique_ptr<ScanResults> results) {
    std::shared_ptr<ItemsViewStart> start = gui_items_prepare(results->items, g_gui.scan_selection);
    g_gui.result_items = results->total_items;
    g_gui.result_size = results->total_size;
    {
        std::lock_guard guard(g_gui.items_lock);
        g_gui.scan_results = std::move(results);
        g_gui.items_start = std::move(start);
        g_gui.items_start_generation = g_gui.results_generation + 1;
    }
    g_gui.results_generation += 1;
    g_gui.has_results = true;
}

DWORD WINAPI scan_worker(LPVOID) {
    gui_log("=== SCAN STARTING ===\n");
    gui_log("====================\n");
    gui_log("MODULE STATUS:\n");
    gui_log("--------------\n");
    const std::vector<ScanStep> steps = scan_steps();
    ModuleSelection scanned{};
    std::unique_ptr<ScanResults> results = scan_modules(steps, scanned);
    gui_log("=== SCAN COMPLETE ===\n");
    gui_log("====================\n");
    if (g_gui.cancel_requested) gui_log("⚠ Scan cancelled\n");
    g_gui.module_tally = gui_tally(results->items);
    gui_log_scan_summary(results.get());
    gui_log_module_details(g_gui.scan_selection, scanned, g_gui.module_tally);
    const Elapsed elapsed = elapsed_since_start();
    gui_hold_results(std::move(results));
    remember_scan_time();
    gui_log("\n------------------------\nScan completed in %d.%d seconds\n", elapsed.seconds, elapsed.tenths);
    g_gui.scanning = false;
    return 0;
}

DWORD WINAPI clean_worker(LPVOID) {
    gui_log("\n=== CLEANING STARTED ===\n");
    gui_log("=======================\n");
    if (!g_gui.scan_results) {
        gui_log("✖ ERROR: No scan results available\n");
        g_gui.cleaning = false;
        return 0;
    }
    ItemList& items = g_gui.scan_results->items;
    const std::vector<std::size_t> plan = gui_clean_plan(items, g_gui.clean_selection);
    if (plan.empty()) {
        gui_log("✖ ERROR: No items to clean\n");
        g_gui.cleaning = false;
        return 0;
    }
    const CleanPlanSummary summary = gui_summarise_plan(items, plan);
    gui_log("Total items to clean: %zu\n", static_cast<std::size_t>(summary.count));
    gui_log("Total size to clean: %s\n", format_size(summary.bytes).c_str());
    g_progress_callback = gui_progress;
    const std::unique_ptr<CleanResults> totals = clean_plan(items, plan);
    g_progress_callback = nullptr;
    gui_log(g_gui.cancel_requested ? "=== CLEAN CANCELLED ===\n" : "=== CLEAN COMPLETE ===\n");
    gui_log("=====================\n");
    if (!totals) {
        gui_log("✖ ERROR: Clean operation failed\n");
        finish_clean("✖ Clean failed");
        return 0;
    }
    journal(*g_gui.scan_results, plan, *totals);
    gui_log_clean_summary({*totals, held_items(items, plan), plan.size()});
    const Elapsed elapsed = elapsed_since_start();
    gui_log("Clean completed in %d.%d seconds\n", elapsed.seconds, elapsed.tenths);
    finish_clean("✅ Cleaned " + format_size(totals->bytes_freed));
    return 0;
}
