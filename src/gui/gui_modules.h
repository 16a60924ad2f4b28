#pragma once
// The window's own texts for each module, one row per module record, in the
// order of all_modules(). The record itself carries the id, the check-box
// label, the caution flag and whether it is ticked at start.

#include "modules/duplicate_finder.h"
#include "modules/modules.h"
#include "modules/registry_cleaner.h"

#include <array>
#include <cstdint>
#include <iterator>

// A module's part of the scan report under "MODULE DETAILS:". With items
// found: the heading, "   Status: ✓ Scanned\n", the count line, then the
// size and note lines where the module has them. With none: the heading and
// the `when_none` lines. Count and size lines are formats ("%d", "%s").
struct ModuleDetails {
    const char* heading;
    const char* count_format;
    const char* size_format;  // or null: the byte total is not shown
    const char* found_note;   // or null
    std::array<const char*, 3> when_none;  // unused slots are null
};

struct GuiModule {
    const CleanerModule* module;
    const char* welcome_line;  // shown as "• %s" in the welcome text
    const char* status_name;   // "⏳ %s: Scanning..."
    // An item counts towards the first row with one of these words anywhere
    // in its tagged description; unused slots are null.
    std::array<const char*, 4> tally_words;
    ModuleDetails details;
};

inline constexpr GuiModule GUI_MODULES[] = {
    {.module = &temp_files_module,
     .welcome_line = "Temporary Files - Clean Windows temporary files",
     .status_name = "Temporary Files",
     .tally_words = {"Temp", "temp"},
     .details = {"📁 Temporary Files:\n", "   Items found: %d\n", "   Total size: %s\n",
                 "   Locations: %TEMP%, %TMP%, Windows\\Temp\n",
                 {"   Status: ✓ Scanned\n", "   Result: No temporary files found\n"}}},
    {.module = &browser_cache_module,
     .welcome_line = "Browser Cache - Clean browser cache and data",
     .status_name = "Browser Cache",
     .tally_words = {"Browser", "Chrome", "Firefox", "Edge"},
     .details = {"🌐 Browser Cache:\n", "   Items found: %d\n", "   Total size: %s\n",
                 "   Browsers checked: Chrome, Firefox, Edge, Brave\n",
                 {"   Status: ⚠ Scanned with warnings\n", "   Result: No cache found (browsers may be running)\n",
                  "   Note: Close all browsers before scanning for best results\n"}}},
    {.module = &windows_cleanup_module,
     .welcome_line = "Windows Update - Clean Windows Update files",
     .status_name = "Windows Update",
     .tally_words = {"Windows", "Update"},
     .details = {"⊞ Windows Update:\n", "   Items found: %d\n", "   Total size: %s\n",
                 "   Locations: SoftwareDistribution\\Download, Windows\\Logs\\WindowsUpdate\n",
                 {"   Status: ✓ Scanned\n", "   Result: No cleanable update files found\n"}}},
    {.module = &duplicate_finder_module,
     .welcome_line = "Duplicate Files - Find and remove duplicate files",
     .status_name = "Duplicate Finder",
     .tally_words = {"Duplicate", "duplicate"},
     .details = {"📑 Duplicate Files:\n", "   Duplicates found: %d\n", "   Total wasted space: %s\n", nullptr,
                 {"   Status: ✓ Scanned\n", "   Result: No duplicate files found\n"}}},
    {.module = &registry_cleaner_module,
     .welcome_line = "Registry - Clean invalid registry entries",
     .status_name = "Registry Cleaner",
     .tally_words = {"Registry", "registry"},
     .details = {"🔧 Registry Cleaner:\n", "   Invalid entries found: %d\n", nullptr,
                 "   Types: Orphaned entries, missing references, obsolete data\n",
                 {"   Status: ✓ Scanned\n", "   Result: Registry is clean\n"}}},
};

inline constexpr int GUI_MODULE_COUNT = static_cast<int>(std::size(GUI_MODULES));

// One flag per row, 0 or 1 (Nuklear's check boxes edit ints).
using ModuleSelection = std::array<int, GUI_MODULE_COUNT>;

inline ModuleSelection gui_initial_selection() {
    ModuleSelection selection{};
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) selection[i] = GUI_MODULES[i].module->enabled_by_default ? 1 : 0;
    return selection;
}

// Items and bytes of one module's share of the last scan.
struct ModuleTally {
    int count = 0;
    std::uint64_t bytes = 0;
};
