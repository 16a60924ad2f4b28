#include "gui/gui_state.h"

#include "cli/clean_journal.h"
#include "engine/cleaner.h"
#include "engine/diagnostics.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Give the window time to paint the report before the busy state ends.
constexpr DWORD PAUSE_BEFORE_SCAN_MS = 1000;
constexpr DWORD PAUSE_AFTER_SCAN_MS = 500;
constexpr DWORD PAUSE_AFTER_CLEAN_MS = 200;
constexpr std::size_t DEBUG_ITEMS_SHOWN = 3;

void log_size_line(const char* format, std::uint64_t bytes) { gui_log(format, format_size(bytes).c_str()); }

std::vector<std::string> selected_module_ids() {
    std::vector<std::string> ids;
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) {
        if (!g_gui.scan_selection[i]) continue;
        ids.emplace_back(GUI_MODULES[i].id);
        gui_log("⏳ %s: Scanning...\n", GUI_MODULES[i].status_name);
    }
    return ids;
}

void tally(const ScanResults& results) {
    for (const CleanItem& item : results.items) {
        const int entry = gui_tally_entry(item.description);
        if (entry < 0) continue;
        g_gui.module_tally[entry].count += 1;
        g_gui.module_tally[entry].bytes += item.size;
    }
}

void log_summary(const ScanResults* results) {
    gui_log("SCAN SUMMARY:\n");
    gui_log("------------\n");
    if (results) {
        gui_log("Total items found: %zu\n", static_cast<std::size_t>(results->total_items));
        log_size_line("Total size: %s\n", results->total_size);
    } else {
        gui_log("No items found to clean.\n");
    }
}

void log_details(const ModuleDetails& details, const ModuleTally& tally) {
    gui_log("%s", details.heading);
    if (tally.count < 1) {
        for (const char* line : details.when_none) {
            if (line) gui_log("%s", line);
        }
        return;
    }
    gui_log("   Status: ✓ Scanned\n");
    gui_log(details.count_format, tally.count);
    if (details.size_format) log_size_line(details.size_format, tally.bytes);
    if (details.found_note) gui_log("%s", details.found_note);
}

// The modules ticked when the scan started, whatever the user ticks meanwhile.
void log_module_details() {
    gui_log("MODULE DETAILS:\n");
    gui_log("--------------\n");
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) {
        if (g_gui.scan_selection[i]) log_details(GUI_MODULES[i].details, g_gui.module_tally[i]);
    }
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

void hold_results() {
    const ScanResults* results = g_gui.scan_results.get();
    g_gui.result_items = results ? results->total_items : 0;
    g_gui.result_size = results ? results->total_size : 0;
    g_gui.has_results = true;
}

void log_debug_items(const ScanResults& results) {
    gui_log("Starting cleanup process...\n");
    gui_log("Total items to clean: %zu\n", static_cast<std::size_t>(results.total_items));
    log_size_line("Total size to clean: %s\n", results.total_size);
    gui_log("DEBUG: First few items to clean:\n");
    const std::size_t shown = std::min(results.items.size(), DEBUG_ITEMS_SHOWN);
    for (std::size_t i = 0; i < shown; ++i) {
        gui_log("  - %s (%s)\n", results.items[i].path.c_str(), results.items[i].description.c_str());
    }
}

bool is_locked_message(const std::string& message) { return message.find("locked") != std::string::npos; }

void log_error_group(const std::vector<std::string>& errors, bool locked) {
    for (const std::string& message : errors) {
        if (is_locked_message(message) == locked) gui_log("   • %s\n", message.c_str());
    }
}

void log_failures(const CleanResults& cleaned) {
    if (cleaned.failed_count == 0) return;
    gui_log("⚠ Failed items: %zu\n", static_cast<std::size_t>(cleaned.failed_count));
    if (cleaned.error_count() == 0) {
        gui_log("\n⚠ Items failed to clean but no detailed error messages were provided.\n");
        gui_log("Most likely these are locked files in use by Windows or other applications.\n");
        return;
    }
    gui_log("\nDETAILS:\n");
    gui_log("--------\n");
    const auto locked = static_cast<std::size_t>(std::count_if(cleaned.errors.begin(), cleaned.errors.end(), is_locked_message));
    if (locked > 0) {
        gui_log("🔒 LOCKED FILES (%zu):\n", locked);
        log_error_group(cleaned.errors, true);
    }
    if (cleaned.error_count() > locked) {
        gui_log("\n❌ OTHER ERRORS (%zu):\n", static_cast<std::size_t>(cleaned.error_count()) - locked);
        log_error_group(cleaned.errors, false);
    }
}

void log_tip_if_nothing_cleaned(const CleanResults& cleaned) {
    if (cleaned.cleaned_count != 0 || cleaned.failed_count == 0) return;
    gui_log("\n💡 TIP: All files were locked or in use.\n");
    gui_log("   • Close running applications to free up files\n");
    gui_log("   • Windows cache files are often locked while Windows is running\n");
    gui_log("   • Run as Administrator for better access to system files\n");
}

void log_clean_summary(const CleanResults& cleaned, std::uint64_t scanned_items) {
    gui_log("CLEAN SUMMARY:\n");
    gui_log("-------------\n");
    gui_log("✓ Items cleaned: %zu\n", static_cast<std::size_t>(cleaned.cleaned_count));
    log_size_line("✓ Space freed: %s\n", cleaned.bytes_freed);
    log_failures(cleaned);
    // Measured against everything the scan found, locked and unselected items included.
    const float rate = scanned_items == 0 ? 100.0f
                                          : static_cast<float>(cleaned.cleaned_count) /
                                                static_cast<float>(scanned_items) * 100.0f;
    gui_log("------------------------\n");
    gui_log("Success rate: %.1f%%\n", static_cast<double>(rate));
    log_tip_if_nothing_cleaned(cleaned);
    const Elapsed elapsed = elapsed_since_start();
    gui_log("Clean completed in %d.%d seconds\n", elapsed.seconds, elapsed.tenths);
    std::snprintf(g_gui.status_text, sizeof g_gui.status_text, "✅ Cleaned %s", format_size(cleaned.bytes_freed).c_str());
}

void release_results() {
    g_gui.scan_results.reset();
    g_gui.result_items = 0;
    g_gui.result_size = 0;
    g_gui.has_results = false;
}

}  // namespace

int gui_tally_entry(std::string_view description) {
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) {
        for (const char* word : GUI_MODULES[i].tally_words) {
            if (word && description.find(word) != std::string_view::npos) return i;
        }
    }
    return -1;
}

DWORD WINAPI scan_worker(LPVOID) {
    gui_log("=== SCAN STARTING ===\n");
    gui_log("====================\n");
    g_gui.scan_results.reset();
    g_gui.module_tally = {};
    gui_log("MODULE STATUS:\n");
    gui_log("--------------\n");
    const std::vector<std::string> ids = selected_module_ids();
    Sleep(PAUSE_BEFORE_SCAN_MS);
    // No module ticked scans every registered module.
    g_gui.scan_results = ids.empty() ? cleaner_scan() : cleaner_scan(ids);
    gui_log("=== SCAN COMPLETE ===\n");
    gui_log("====================\n");
    if (g_gui.scan_results) tally(*g_gui.scan_results);
    log_summary(g_gui.scan_results.get());
    log_module_details();
    const Elapsed elapsed = elapsed_since_start();
    hold_results();
    remember_scan_time();
    char line[256];
    std::snprintf(line, sizeof line, "\n------------------------\nScan completed in %d.%d seconds", elapsed.seconds,
                  elapsed.tenths);
    gui_log("%s\n", line);
    gui_redraw_and_drain();
    gui_redraw_and_drain();
    Sleep(PAUSE_AFTER_SCAN_MS);
    g_gui.scanning = false;
    return 0;
}

DWORD WINAPI clean_worker(LPVOID) {
    gui_log("\n=== CLEANING STARTED ===\n");
    gui_log("=======================\n");
    gui_log("DEBUG: Checking scan results...\n");
    gui_log("DEBUG: scan_results ptr = %p\n", static_cast<void*>(g_gui.scan_results.get()));
    if (!g_gui.scan_results) {
        gui_log("✖ ERROR: No scan results available\n");
        g_gui.cleaning = false;
        return 0;
    }
    const ScanResults& results = *g_gui.scan_results;
    const void* items = results.items.empty() ? nullptr : &results.items.front();
    gui_log("DEBUG: scan_results->items = %p\n", items);
    gui_log("DEBUG: scan_results->total_items = %zu\n", static_cast<std::size_t>(results.total_items));
    if (!items) {
        gui_log("✖ ERROR: No items to clean\n");
        g_gui.cleaning = false;
        return 0;
    }
    log_debug_items(results);
    gui_log("DEBUG: Calling cleaner_clean...\n");
    g_progress_callback = gui_progress;
    const std::unique_ptr<CleanResults> cleaned = cleaner_clean(results.items);
    g_progress_callback = nullptr;
    gui_log("=== CLEAN COMPLETE ===\n");
    gui_log("=====================\n");
    if (cleaned) {
        write_clean_journal(results, *cleaned);
        log_clean_summary(*cleaned, results.total_items);
    } else {
        gui_log("✖ ERROR: Clean operation failed\n");
        std::snprintf(g_gui.status_text, sizeof g_gui.status_text, "✖ Clean failed");
    }
    g_gui.clean_done_tick = GetTickCount();
    g_gui.clean_outcome_shown = true;
    release_results();
    Sleep(PAUSE_AFTER_CLEAN_MS);
    g_gui.cleaning = false;
    return 0;
}
