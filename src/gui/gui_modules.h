#pragma once
// The window's own texts and facts for each module, one row per module
// record, in the order of all_modules(). The record itself carries the id,
// the check-box label, the caution flag, whether it is ticked at start and
// whether it runs this time.

#include "modules/duplicate_finder.h"
#include "modules/modules.h"
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
    const CleanerModule* module;
    const char* welcome_line;  // shown as "• %s" in the welcome text
    const char* status_name;   // "⏳ %s: Scanning..."
    const char* list_name;     // the items view's module column
    ModuleDetails details;
    // Where its items go: the Recycle Bin, or deleted for good (the noun names
    // them in the confirmation: "9 browser cache items are deleted permanently").
    bool recycles;
    const char* permanent_noun;
    // Cleaned in one batch: the registry cleaner writes one backup per batch.
    // Other modules' items are cleaned one by one, so progress and Cancel act per item.
    bool one_batch = false;
};

// Detail lines that depend on what the modules saw (gui/scan_report.cpp).
void browser_cache_notes(const ModuleTally& tally);
void windows_cleanup_notes(const ModuleTally& tally);

inline constexpr GuiModule GUI_MODULES[] = {
    {.module = &temp_files_module,
     .welcome_line = "Temporary Files - Clean Windows temporary files",
     .status_name = "Temporary Files",
     .list_name = "Temporary",
     .details = {"📁 Temporary Files:\n", "   Items found: %d\n", "   Total size: %s\n",
                 "   Locations: %TEMP%, %TMP%, Windows\\Temp\n",
                 {"   Status: ✓ Scanned\n", "   Result: No temporary files found\n"}, nullptr},
     .recycles = true,
     .permanent_noun = "temporary"},
    {.module = &browser_cache_module,
     .welcome_line = "Browser Cache - Clean browser cache and data",
     .status_name = "Browser Cache",
     .list_name = "Browser",
     .details = {"🌐 Browser Cache:\n", "   Items found: %d\n", "   Total size: %s\n", nullptr,
                 {"   Status: ✓ Scanned\n", "   Result: No cache found\n"}, browser_cache_notes},
     .recycles = false,
     .permanent_noun = "browser cache"},
    {.module = &windows_cleanup_module,
     .welcome_line = "Windows Caches & Logs - Clean Windows caches, logs and reports",
     .status_name = "Windows Caches & Logs",
     .list_name = "Windows",
     .details = {"⊞ Windows Caches & Logs:\n", "   Items found: %d\n", "   Total size: %s\n", nullptr,
                 {"   Status: ✓ Scanned\n", "   Result: No cleanable Windows caches or logs found\n"},
                 windows_cleanup_notes},
     .recycles = false,
     .permanent_noun = "Windows cache"},
    {.module = &duplicate_finder_module,
     .welcome_line = "Duplicate Files - Find and remove duplicate files",
     .status_name = "Duplicate Finder",
     .list_name = "Duplicate",
     .details = {"📑 Duplicate Files:\n", "   Duplicates found: %d\n", "   Total wasted space: %s\n", nullptr,
                 {"   Status: ✓ Scanned\n", "   Result: No duplicate files found\n"}, nullptr},
     .recycles = true,
     .permanent_noun = "duplicate"},
    {.module = &registry_cleaner_module,
     .welcome_line = "Registry - Clean invalid registry entries",
     .status_name = "Registry Cleaner",
     .list_name = "Registry",
     .details = {"🔧 Registry Cleaner:\n", "   Invalid entries found: %d\n", nullptr,
                 "   Types: Orphaned entries, missing references, obsolete data\n",
                 {"   Status: ✓ Scanned\n", "   Result: Registry is clean\n"}, nullptr},
     .recycles = false,
     .permanent_noun = "registry",
     .one_batch = true},
};

inline constexpr int GUI_MODULE_COUNT = static_cast<int>(std::size(GUI_MODULES));

// One flag per row, 0 or 1 (Nuklear's check boxes edit ints).
using ModuleSelection = std::array<int, GUI_MODULE_COUNT>;

inline ModuleSelection gui_initial_selection() {
    ModuleSelection selection{};
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) selection[i] = GUI_MODULES[i].module->enabled_by_default ? 1 : 0;
    return selection;
}

// Items and bytes of one module's share of the last scan, and the texts its
// items carry (their kind, such as "Thumbnail Cache"), each once, in order.
struct ModuleTally {
    int count = 0;
    std::uint64_t bytes = 0;
    std::vector<std::string> kinds;
};
