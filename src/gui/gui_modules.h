#pragma once
// The window's modules, one row each: everything the sidebar, the welcome
// text, the scan report, the tallies and the status line know about a module.
// Rows are in check-box order; a new module is one more row (and its details
// writer in gui_modules.cpp).

#include <array>
#include <cstdint>
#include <iterator>

// Items and bytes of one module's share of the last scan.
struct ModuleTally {
    int count = 0;
    std::uint64_t bytes = 0;
};

struct GuiModule {
    const char* id;               // the engine's module identifier
    const char* check_box_label;
    const char* welcome_line;     // shown as "• %s" in the welcome text
    const char* status_name;      // "⏳ %s: Scanning..."
    // An item counts towards the first row with one of these words anywhere
    // in its tagged description; unused slots are null.
    std::array<const char*, 4> tally_words;
    void (*write_details)(const ModuleTally&);  // its part of "MODULE DETAILS:"
    bool selected_at_start;
    bool needs_caution;  // held results with this module ticked turn the status line amber
};

void temp_files_details(const ModuleTally& tally);
void browser_cache_details(const ModuleTally& tally);
void windows_update_details(const ModuleTally& tally);
void duplicate_files_details(const ModuleTally& tally);
void registry_details(const ModuleTally& tally);

inline constexpr GuiModule GUI_MODULES[] = {
    {"temp_files", "🗂 Temporary Files", "Temporary Files - Clean Windows temporary files", "Temporary Files",
     {"Temp", "temp"}, temp_files_details, true, false},
    {"browser_cache", "🌐 Browser Cache", "Browser Cache - Clean browser cache and data", "Browser Cache",
     {"Browser", "Chrome", "Firefox", "Edge"}, browser_cache_details, true, true},
    {"windows_cleanup", "⊞ Windows Update", "Windows Update - Clean Windows Update files", "Windows Update",
     {"Windows", "Update"}, windows_update_details, true, false},
    {"duplicate_finder", "📑 Duplicate Files", "Duplicate Files - Find and remove duplicate files", "Duplicate Finder",
     {"Duplicate", "duplicate"}, duplicate_files_details, true, true},
    {"registry_cleaner", "🔧 Registry", "Registry - Clean invalid registry entries", "Registry Cleaner",
     {"Registry", "registry"}, registry_details, false, false},
};

inline constexpr int GUI_MODULE_COUNT = static_cast<int>(std::size(GUI_MODULES));

// One flag per row, 0 or 1 (Nuklear's check boxes edit ints).
using ModuleSelection = std::array<int, GUI_MODULE_COUNT>;

constexpr ModuleSelection gui_initial_selection() {
    ModuleSelection selection{};
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) selection[i] = GUI_MODULES[i].selected_at_start ? 1 : 0;
    return selection;
}
