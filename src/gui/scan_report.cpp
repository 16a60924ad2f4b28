#include "gui/scan_report.h"

#include "engine/diagnostics.h"
#include "gui/gui_state.h"
#include "modules/modules.h"

#include <algorithm>
#include <string>

namespace {

// A module's many items share few kinds; beyond this many the list stops growing.
constexpr std::size_t KINDS_KEPT = 16;

void log_size_line(const char* format, std::uint64_t bytes) { gui_log(format, format_size(bytes).c_str()); }

std::string_view kind_of(std::string_view description) {
    const std::size_t tag_end = description.find("] ");
    return tag_end == std::string_view::npos ? description : description.substr(tag_end + 2);
}

void log_details(const GuiModule& module, const ModuleTally& tally, bool scanned) {
    const ModuleDetails& details = module.details;
    gui_log("%s", details.heading);
    if (module.module->enabled && !module.module->enabled()) {
        gui_log("   Status: Not enabled\n");
        return;
    }
    if (!scanned) {
        gui_log("   Status: Not scanned (cancelled)\n");
        return;
    }
    if (tally.count < 1) {
        for (const char* line : details.when_none) {
            if (line) gui_log("%s", line);
        }
    } else {
        gui_log("   Status: ✓ Scanned\n");
        gui_log(details.count_format, tally.count);
        if (details.size_format) log_size_line(details.size_format, tally.bytes);
        if (details.found_note) gui_log("%s", details.found_note);
    }
    if (details.notes) details.notes(tally);
}

std::string joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

ModuleTallies gui_tally(const ItemList& items) {
    ModuleTallies tallies{};
    for (const CleanItem& item : items) {
        const int row = gui_tally_entry(item.description);
        if (row < 0) continue;
        ModuleTally& tally = tallies[row];
        tally.count += 1;
        tally.bytes += item.size;
        const std::string_view kind = kind_of(item.description);
        if (tally.kinds.size() < KINDS_KEPT && std::ranges::find(tally.kinds, kind) == tally.kinds.end()) {
            tally.kinds.emplace_back(kind);
        }
    }
    return tallies;
}

void gui_log_scan_summary(const ScanResults* results) {
    gui_log("SCAN SUMMARY:\n");
    gui_log("------------\n");
    if (results) {
        gui_log("Total items found: %zu\n", static_cast<std::size_t>(results->total_items));
        log_size_line("Total size: %s\n", results->total_size);
    } else {
        gui_log("No items found to clean.\n");
    }
}

void gui_log_module_details(const ModuleSelection& ticked, const ModuleSelection& scanned, const ModuleTallies& tallies) {
    gui_log("MODULE DETAILS:\n");
    gui_log("--------------\n");
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) {
        if (ticked[i]) log_details(GUI_MODULES[i], tallies[i], scanned[i] != 0);
    }
}

// The browsers looked at, and those passed over because they were running:
// only then can a browser's cache have been missed.
void browser_cache_notes(const ModuleTally&) {
    std::vector<std::string> checked, running;
    for (const BrowserCheck& browser : browser_cache_checks()) (browser.passed_over ? running : checked).emplace_back(browser.name);
    gui_log("   Browsers checked: %s\n", checked.empty() ? "none" : joined(checked).c_str());
    if (running.empty()) return;
    gui_log("   Not checked (browsers may be running): %s\n", joined(running).c_str());
    gui_log("   Note: Close all browsers before scanning for best results\n");
}

// Where the items were found, by the kind each carries.
void windows_cleanup_notes(const ModuleTally& tally) {
    if (!tally.kinds.empty()) gui_log("   Locations: %s\n", joined(tally.kinds).c_str());
}
