#pragma once
// The window's modules, one row each: everything the sidebar, the welcome
// text, the scan report, the tallies and the status line know about a
// module. Rows are in check-box order; a new module is one more row.

#include "modules/registry_cleaner.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

struct ModuleTally;

// A module's part of the scan report under "MODULE DETAILS:". With items
// found: the heading, "   Status: ✓ Scanned\n", the count line, then the
// size and note lines where the module has them. With none: the heading and
// the `when_none` lines. Count and size lines are formats ("%d", "%s"). A
// module that is switched off for the run says so instead.
struct ModuleDetails {
    const char* heading;
    const char* count_format;
    const char* size_format;  // or null: the byte total is not shown
    const char* found_note;   // or null
    std::array<const char*, 3> when_none;  // unused slots are null
    // Lines only the module itself can tell (which browsers it checked), or null.
    void (*notes)(const ModuleTally& tally);
};

struct GuiModule {
    const char* id;  // the engine's module identifier
    const char* check_box_label;
    const char* welcome_line;  // shown as "• %s" in the welcome text
    const char* status_name;   // "⏳ %s: Scanning..."
    const char* list_name;     // the items view's module column
    ModuleDetails details;
    // Null when the module always runs; else whether it runs this time.
    bool (*is_enabled)();
    // Where its items go: the Recycle Bin, or deleted for good (the noun names
    // them in the confirmation: "9 browser cache items are deleted permanently").
    bool recycles;
    const char* permanent_noun;
    bool selected_at_start;
    bool needs_caution;  // held results with this module ticked turn the status line amber
    // Cleaned in one batch: the registry cleaner writes one backup per batch.
    // Other modules' items are cleaned one by one, so progress and Cancel act per item.
    bool one_batch = false;
};

// Detail lines that depend on what the modules saw (gui/scan_report.cpp).
void browser_cache_notes(const ModuleTally& tally);
void windows_cleanup_notes(const ModuleTally& tally);

inline constexpr GuiModule GUI_MODULES[] = {
    {.id = "temp_files",
     .check_box_label = "🗂 Temporary Files",
     .welcome_line = "Temporary Files - Clean Windows temporary files",
     .status_name = "Temporary Files",
     .list_name = "Temporary",
     .details = {"📁 Temporary Files:\n", "   Items found: %d\n", "   Total size: %s\n",
                 "   Locations: %TEMP%, %TMP%, Windows\\Temp\n",
                 {"   Status: ✓ Scanned\n", "   Result: No temporary files found\n"}, nullptr},
     .is_enabled = nullptr,
     .recycles = true,
     .permanent_noun = "temporary",
     .selected_at_start = true,
     .needs_caution = false},
    {.id = "browser_cache",
     .check_box_label = "🌐 Browser Cache",
     .welcome_line = "Browser Cache - Clean browser cache and data",
     .status_name = "Browser Cache",
     .list_name = "Browser",
     .details = {"🌐 Browser Cache:\n", "   Items found: %d\n", "   Total size: %s\n", nullptr,
                 {"   Status: ✓ Scanned\n", "   Result: No cache found\n"}, browser_cache_notes},
     .is_enabled = nullptr,
     .recycles = false,
     .permanent_noun = "browser cache",
     .selected_at_start = true,
     .needs_caution = true},
    {.id = "windows_cleanup",
     .check_box_label = "⊞ Windows Caches & Logs",
     .welcome_line = "Windows Caches & Logs - Clean Windows caches, logs and reports",
     .status_name = "Windows Caches & Logs",
     .list_name = "Windows",
     .details = {"⊞ Windows Caches & Logs:\n", "   Items found: %d\n", "   Total size: %s\n", nullptr,
                 {"   Status: ✓ Scanned\n", "   Result: No cleanable Windows caches or logs found\n"},
                 windows_cleanup_notes},
     .is_enabled = nullptr,
     .recycles = false,
     .permanent_noun = "Windows cache",
     .selected_at_start = true,
     .needs_caution = false},
    {.id = "duplicate_finder",
     .check_box_label = "📑 Duplicate Files",
     .welcome_line = "Duplicate Files - Find and remove duplicate files",
     .status_name = "Duplicate Finder",
     .list_name = "Duplicate",
     .details = {"📑 Duplicate Files:\n", "   Duplicates found: %d\n", "   Total wasted space: %s\n", nullptr,
                 {"   Status: ✓ Scanned\n", "   Result: No duplicate files found\n"}, nullptr},
     .is_enabled = nullptr,
     .recycles = true,
     .permanent_noun = "duplicate",
     .selected_at_start = true,
     .needs_caution = true},
    {.id = "registry_cleaner",
     .check_box_label = "🔧 Registry",
     .welcome_line = "Registry - Clean invalid registry entries",
     .status_name = "Registry Cleaner",
     .list_name = "Registry",
     .details = {"🔧 Registry Cleaner:\n", "   Invalid entries found: %d\n", nullptr,
                 "   Types: Orphaned entries, missing references, obsolete data\n",
                 {"   Status: ✓ Scanned\n", "   Result: Registry is clean\n"}, nullptr},
     .is_enabled = registry_cleaner_is_enabled,
     .recycles = false,
     .permanent_noun = "registry",
     .selected_at_start = false,
     .needs_caution = false,
     .one_batch = true},
};

inline constexpr int GUI_MODULE_COUNT = static_cast<int>(std::size(GUI_MODULES));

// One flag per row, 0 or 1 (Nuklear's check boxes edit ints).
using ModuleSelection = std::array<int, GUI_MODULE_COUNT>;

constexpr ModuleSelection gui_initial_selection() {
    ModuleSelection selection{};
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) selection[i] = GUI_MODULES[i].selected_at_start ? 1 : 0;
    return selection;
}

// Items and bytes of one module's share of the last scan, and the texts its
// items carry (their kind, such as "Thumbnail Cache"), each once, in order.
struct ModuleTally {
    int count = 0;
    std::uint64_t bytes = 0;
    std::vector<std::string> kinds;
};
