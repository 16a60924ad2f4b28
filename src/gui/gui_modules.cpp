#include "gui/gui_modules.h"

#include "gui/gui_state.h"

void temp_files_details(const ModuleTally& t) {
    gui_log("📁 Temporary Files:\n");
    gui_log("   Status: ✓ Scanned\n");
    if (t.count < 1) {
        gui_log("   Result: No temporary files found\n");
        return;
    }
    gui_log("   Items found: %d\n", t.count);
    gui_log_size("   Total size: %s\n", t.bytes);
    gui_log("   Locations: %%TEMP%%, %%TMP%%, Windows\\Temp\n");
}

void browser_cache_details(const ModuleTally& t) {
    gui_log("🌐 Browser Cache:\n");
    if (t.count < 1) {
        gui_log("   Status: ⚠ Scanned with warnings\n");
        gui_log("   Result: No cache found (browsers may be running)\n");
        gui_log("   Note: Close all browsers before scanning for best results\n");
        return;
    }
    gui_log("   Status: ✓ Scanned\n");
    gui_log("   Items found: %d\n", t.count);
    gui_log_size("   Total size: %s\n", t.bytes);
    gui_log("   Browsers checked: Chrome, Firefox, Edge, Brave\n");
}

void windows_update_details(const ModuleTally& t) {
    gui_log("⊞ Windows Update:\n");
    gui_log("   Status: ✓ Scanned\n");
    if (t.count < 1) {
        gui_log("   Result: No cleanable update files found\n");
        return;
    }
    gui_log("   Items found: %d\n", t.count);
    gui_log_size("   Total size: %s\n", t.bytes);
    gui_log("   Locations: SoftwareDistribution\\Download, Windows\\Logs\\WindowsUpdate\n");
}

void duplicate_files_details(const ModuleTally& t) {
    gui_log("📑 Duplicate Files:\n");
    gui_log("   Status: ✓ Scanned\n");
    if (t.count < 1) {
        gui_log("   Result: No duplicate files found\n");
        return;
    }
    gui_log("   Duplicates found: %d\n", t.count);
    gui_log_size("   Total wasted space: %s\n", t.bytes);
}

void registry_details(const ModuleTally& t) {
    gui_log("🔧 Registry Cleaner:\n");
    gui_log("   Status: ✓ Scanned\n");
    if (t.count < 1) {
        gui_log("   Result: Registry is clean\n");
        return;
    }
    gui_log("   Invalid entries found: %d\n", t.count);
    gui_log("   Types: Orphaned entries, missing references, obsolete data\n");
}

int gui_tally_entry(std::string_view description) {
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) {
        for (const char* word : GUI_MODULES[i].tally_words) {
            if (word && description.find(word) != std::string_view::npos) return i;
        }
    }
    return -1;
}
