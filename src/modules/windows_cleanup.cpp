// Windows update and system files: caches, logs and leftovers that Windows
// keeps in twelve fixed places. Each place is searched at its top level only,
// with its own name pattern and minimum age; a matching subdirectory goes
// whole. Eight places belong to the system and are only looked at when the
// process runs elevated.

#include "modules/modules.h"

#include "engine/checked_delete.h"
#include "engine/file_locks.h"
#include "engine/file_system.h"
#include "engine/system_queries.h"
#include "modules/reported_clean.h"

#include <shlwapi.h>

#include <string>

namespace {

struct CleanupLocation {
    const char* name;
    const char* path;
    const char* pattern;
    bool requires_admin;
    int min_age_days;
};

static constexpr CleanupLocation CLEANUP_LOCATIONS[] = {
    {"Windows Update Cache", "%WINDIR%\\SoftwareDistribution\\Download", "*", true, 0},
    {"Windows Log Files", "%WINDIR%\\Logs\\CBS", "*.log", true, 7},
    {"Windows Error Reports", "%LOCALAPPDATA%\\Microsoft\\Windows\\WER\\ReportArchive", "*", false, 30},
    {"Windows Prefetch", "%WINDIR%\\Prefetch", "*.pf", true, 30},
    {"Thumbnail Cache", "%LOCALAPPDATA%\\Microsoft\\Windows\\Explorer", "thumbcache_*.db", false, 0},
    {"Icon Cache", "%LOCALAPPDATA%\\Microsoft\\Windows\\Explorer", "iconcache_*.db", false, 0},
    {"Font Cache", "%WINDIR%\\ServiceProfiles\\LocalService\\AppData\\Local\\FontCache", "*.dat", true, 0},
    {"Windows Installer Temp", "%WINDIR%\\Installer\\$PatchCache$", "*", true, 0},
    {"Delivery Optimization Files",
     "%WINDIR%\\ServiceProfiles\\NetworkService\\AppData\\Local\\Microsoft\\Windows\\DeliveryOptimization\\Cache", "*",
     true, 0},
    {"Windows Defender Cache", "%PROGRAMDATA%\\Microsoft\\Windows Defender\\Scans\\History\\Service", "*", true, 30},
    {"DirectX Shader Cache", "%LOCALAPPDATA%\\D3DSCache", "*", false, 0},
    {"Windows Search Temp", "%PROGRAMDATA%\\Microsoft\\Search\\Data\\Temp", "*", true, 0},
};

bool is_elevated = false;

bool init() {
    is_elevated = is_process_elevated();
    return true;
}

// Whole days, rounded down: a log of 6 days and 23 hours is 6 days old.
bool is_old_enough(const WIN32_FIND_DATAA& entry, int min_age_days) {
    if (min_age_days <= 0) return true;
    const std::uint64_t age = age_in_ticks(find_data_write_time(entry), current_file_time());
    return age / TICKS_PER_DAY >= static_cast<std::uint64_t>(min_age_days);
}

std::uint64_t entry_size(const std::string& path, const WIN32_FIND_DATAA& entry) {
    return is_directory(entry) ? calculate_directory_size(path) : find_data_size(entry);
}

CleanItem make_item(std::string path, const WIN32_FIND_DATAA& entry, std::uint64_t size, const char* name) {
    CleanItem item;
    item.type = is_directory(entry) ? ITEM_DIRECTORY : ITEM_FILE;
    item.path = std::move(path);
    item.size = size;
    item.description = name;
    // Only files are probed; a directory with a held file inside simply fails to go.
    if (item.type == ITEM_FILE && apply_lock_state(item, item.path)) {
        item.description += item.locked_by ? " (LOCKED by " + *item.locked_by + ")" : std::string(" (LOCKED)");
    }
    return item;
}

// The search matches 8.3 short names too ("*.log" finds "setup.log_keep"
// through SETUP~1.LOG): only an entry whose own name matches is taken.
bool matches_long_name(const WIN32_FIND_DATAA& entry, const CleanupLocation& location) {
    return PathMatchSpecA(entry.cFileName, location.pattern);
}

void scan_cleanup_location(const std::string& dir, const CleanupLocation& location, ItemList& items) {
    DirectoryListing listing(dir, location.pattern);
    while (const WIN32_FIND_DATAA* entry = listing.next()) {
        // A link frees nothing, and removing it would undo someone's redirection.
        if (is_reparse_point(*entry) || !matches_long_name(*entry, location)) continue;
        if (!is_old_enough(*entry, location.min_age_days)) continue;
        auto path = join_path(dir, entry->cFileName);
        if (!path) continue;
        const std::uint64_t size = entry_size(*path, *entry);
        if (size == 0) continue;
        CleanItem item = make_item(std::move(*path), *entry, size, location.name);
        item.snapshot = listed_snapshot(item.path, item.type == ITEM_DIRECTORY);
        if (item.snapshot) items.push_back(std::move(item));
    }
}

std::uint64_t scan(ItemList& items) {
    items.clear();
    for (const CleanupLocation& location : CLEANUP_LOCATIONS) {
        if (location.requires_admin && !is_elevated) continue;
        auto dir = expand_location(location.path);
        if (!dir || GetFileAttributesA(dir->c_str()) == INVALID_FILE_ATTRIBUTES) continue;
        scan_cleanup_location(*dir, location, items);
    }
    return items.size();
}

void clean(ItemList& batch) { clean_with_reports(batch, delete_listed, false); }

std::uint64_t estimated_size() { return 1073741824; }

}  // namespace

const CleanerModule windows_cleanup_module{.id = "windows_cleanup",
                                           .display_name = "Windows Update & System Files",
                                           .summary = "Windows update and log files",
                                           .window_label = "⊞ Windows Caches & Logs",
                                           .init = init,
                                           .scan = scan,
                                           .clean = clean,
                                           .cleanup = nullptr,
                                           .estimated_size = estimated_size};

std::vector<ModuleTableRow> windows_cleanup_table() {
    std::vector<ModuleTableRow> rows;
    for (const CleanupLocation& location : CLEANUP_LOCATIONS) rows.push_back({location.name, location.path, location.pattern});
    return rows;
}
