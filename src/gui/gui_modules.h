#pragma once
// The window's modules, one row each: everything the sidebar, the welcome
// text, the scan report, the tallies and the status line know about a
// module. Rows are in check-box order; a new module is one more row.

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
    const char* id;  // the engine's module identifier
    const char* check_box_label;
    const char* welcome_line;  // shown as "• %s" in the welcome text
    const char* status_name;   // "⏳ %s: Scanning..."
    // An item counts towards the first row with one of these words anywhere
    // in its tagged description; unused slots are null.
    std::array<const char*, 4> tally_words;
    ModuleDetails details;
    bool selected_at_start;
    bool needs_caution;  // held results with this module ticked turn the status line amber
};

inline constexpr GuiModule GUI_MODULES[] = {
    {.id = "temp_files",
     .check_box_label = "🗂 Temporary Files",
     .welcome_line = "Temporary Files - Clean Windows temporary files",
     .status_name = "Temporary Files",
     .tally_words = {"Temp", "temp"},
     .details = {"📁 Temporary Files:\n", "   Items found: %d\n", "   Total size: %s\n",
                 "   Locations: %TEMP%, %TMP%, Windows\\Temp\n",
                 {"   Status: ✓ Scanned\n", "   Result: No temporary files found\n"}},
     .selected_at_start = true,
     .needs_caution = false},
    {.id = "browser_cache",
     .check_box_label = "🌐 Browser Cache",
     .welcome_line = "Browser Cache - Clean browser cache and data",
     .status_name = "Browser Cache",
     .tally_words = {"Browser", "Chrome", "Firefox", "Edge"},
     .details = {"🌐 Browser Cache:\n", "   Items found: %d\n", "   Total size: %s\n",
                 "   Browsers checked: Chrome, Firefox, Edge, Brave\n",
                 {"   Status: ⚠ Scanned with warnings\n", "   Result: No cache found (browsers may be running)\n",
                  "   Note: Close all browsers before scanning for best results\n"}},
     .selected_at_start = true,
     .needs_caution = true},
    {.id = "windows_cleanup",
     .check_box_label = "⊞ Windows Update",
     .welcome_line = "Windows Update - Clean Windows Update files",
     .status_name = "Windows Update",
     .tally_words = {"Windows", "Update"},
     .details = {"⊞ Windows Update:\n", "   Items found: %d\n", "   Total size: %s\n",
                 "   Locations: SoftwareDistribution\\Download, Windows\\Logs\\WindowsUpdate\n",
                 {"   Status: ✓ Scanned\n", "   Result: No cleanable update files found\n"}},
     .selected_at_start = true,
     .needs_caution = false},
    {.id = "duplicate_finder",
     .check_box_label = "📑 Duplicate Files",
     .welcome_line = "Duplicate Files - Find and remove duplicate files",
     .status_name = "Duplicate Finder",
     .tally_words = {"Duplicate", "duplicate"},
     .details = {"📑 Duplicate Files:\n", "   Duplicates found: %d\n", "   Total wasted space: %s\n", nullptr,
                 {"   Status: ✓ Scanned\n", "   Result: No duplicate files found\n"}},
     .selected_at_start = true,
     .needs_caution = true},
    {.id = "registry_cleaner",
     .check_box_label = "🔧 Registry",
     .welcome_line = "Registry - Clean invalid registry entries",
     .status_name = "Registry Cleaner",
     .tally_words = {"Registry", "registry"},
     .details = {"🔧 Registry Cleaner:\n", "   Invalid entries found: %d\n", nullptr,
                 "   Types: Orphaned entries, missing references, obsolete data\n",
                 {"   Status: ✓ Scanned\n", "   Result: Registry is clean\n"}},
     .selected_at_start = false,
     .needs_caution = false},
};

inline constexpr int GUI_MODULE_COUNT = static_cast<int>(std::size(GUI_MODULES));

// One flag per row, 0 or 1 (Nuklear's check boxes edit ints).
using ModuleSelection = std::array<int, GUI_MODULE_COUNT>;

constexpr ModuleSelection gui_initial_selection() {
    ModuleSelection selection{};
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) selection[i] = GUI_MODULES[i].selected_at_start ? 1 : 0;
    return selection;
}

// Items and bytes of one module's share of the last scan.
struct ModuleTally {
    int count = 0;
    std::uint64_t bytes = 0;
};
