#include "gui/clean_report.h"

#include "engine/diagnostics.h"
#include "gui/gui_state.h"

#include <string>

namespace {

void log_size_line(const char* format, std::uint64_t bytes) { gui_log(format, format_size(bytes).c_str()); }

// Items in use were skipped, never attempted; everything else that failed has
// its "PATH: REASON" message.
void log_details(const CleanReport& report) {
    const auto& errors = report.totals.errors;
    if (report.held.empty() && errors.empty()) return;
    gui_log("\nDETAILS:\n");
    gui_log("--------\n");
    if (!report.held.empty()) {
        gui_log("🔒 LOCKED FILES (%zu):\n", report.held.size());
        for (const CleanItem* item : report.held) gui_log("   • %s: %s\n", item->path.c_str(), item->reason.c_str());
    }
    if (!errors.empty()) {
        gui_log("\n❌ OTHER ERRORS (%zu):\n", errors.size());
        for (const std::string& message : errors) gui_log("   • %s\n", message.c_str());
    }
}

void log_tip_if_nothing_cleaned(const CleanReport& report) {
    const CleanResults& totals = report.totals;
    if (totals.cleaned_count != 0 || (totals.failed_count == 0 && report.held.empty())) return;
    gui_log("\n💡 TIP: All files were locked or in use.\n");
    gui_log("   • Close running applications to free up files\n");
    gui_log("   • Windows cache files are often locked while Windows is running\n");
    gui_log("   • Run as Administrator for better access to system files\n");
}

}  // namespace

void gui_log_clean_summary(const CleanReport& report) {
    const CleanResults& totals = report.totals;
    gui_log("CLEAN SUMMARY:\n");
    gui_log("-------------\n");
    gui_log("✓ Items cleaned: %zu\n", static_cast<std::size_t>(totals.cleaned_count));
    log_size_line("✓ Space freed: %s\n", totals.bytes_freed);
    if (totals.skipped_count > 0) gui_log("Skipped: %zu items\n", static_cast<std::size_t>(totals.skipped_count));
    if (totals.recycled_count > 0) {
        gui_log("In the Recycle Bin: %zu items (%s)\n", static_cast<std::size_t>(totals.recycled_count),
                format_size(totals.bytes_recycled).c_str());
    }
    if (totals.failed_count > 0) gui_log("⚠ Failed items: %zu\n", static_cast<std::size_t>(totals.failed_count));
    log_details(report);
    // Of what the user chose to clean: unticked items are not failures.
    const double rate = report.planned == 0 ? 100.0
                                            : static_cast<double>(totals.cleaned_count) / static_cast<double>(report.planned) * 100.0;
    gui_log("------------------------\n");
    gui_log("Success rate: %.1f%%\n", rate);
    log_tip_if_nothing_cleaned(report);
}
