// Temporary files: files at least a day old anywhere below the user's and the
// Windows temporary directories, except names an application may still be
// using ("*.tmp" work files, "~*" owner files of open documents). Deleted
// files go to the Recycle Bin where the shell allows it.

#include "modules/modules.h"

#include "engine/file_locks.h"
#include "engine/file_system.h"
#include "modules/reported_clean.h"

#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

static constexpr const char* TEMP_EXCLUDE_PATTERNS[] = {"*.tmp", "~*"};
static constexpr const char* USER_TEMP_TEMPLATE = "%TEMP%";
static constexpr const char* WINDOWS_TEMP_TEMPLATE = "%WINDIR%\\Temp";
static constexpr std::uint64_t MIN_AGE_SECONDS = 86400;
static constexpr std::size_t MAX_TEMP_LOCATIONS = 10;

struct TempFilesState {
    std::vector<std::string> temp_locations;
    std::uint64_t min_age_seconds = MIN_AGE_SECONDS;
};

TempFilesState state;

void add_location(std::string dir) {
    if (state.temp_locations.size() < MAX_TEMP_LOCATIONS) state.temp_locations.push_back(std::move(dir));
}

// GetTempPathA's answer without its trailing backslash; nothing when it does not fit.
std::optional<std::string> system_temp_path() {
    char buffer[PATH_BUFFER_SIZE];
    const DWORD length = GetTempPathA(PATH_BUFFER_SIZE, buffer);
    if (length == 0 || length >= PATH_BUFFER_SIZE || !is_faithful_path(std::string_view(buffer, length))) {
        return std::nullopt;
    }
    std::string path(buffer, length);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

bool already_listed(const std::string& dir) {
    return std::any_of(state.temp_locations.begin(), state.temp_locations.end(),
                       [&dir](const std::string& known) { return _stricmp(known.c_str(), dir.c_str()) == 0; });
}

// The Windows directory is not compared with the others: when %TEMP% names
// it, it is scanned twice.
bool init() {
    state = TempFilesState{};
    if (auto path = system_temp_path()) add_location(std::move(*path));
    if (auto path = expand_location(USER_TEMP_TEMPLATE); path && !already_listed(*path)) add_location(std::move(*path));
    if (auto path = expand_location(WINDOWS_TEMP_TEMPLATE); path && is_existing_directory(*path)) {
        add_location(std::move(*path));
    }
    return true;
}

bool is_old_enough(const WIN32_FIND_DATAA& entry) {
    const std::uint64_t age = age_in_ticks(find_data_write_time(entry), current_file_time());
    return age / TICKS_PER_SECOND >= state.min_age_seconds;
}

bool is_excluded_name(const char* name) {
    return std::any_of(std::begin(TEMP_EXCLUDE_PATTERNS), std::end(TEMP_EXCLUDE_PATTERNS),
                       [name](const char* pattern) { return PathMatchSpecA(name, pattern); });
}

// System files belong to Windows; recent files may still be in use; excluded
// names are skipped after the age test, so recent files are never matched.
// A file link frees nothing, and the clean would refuse it.
bool is_candidate(const WIN32_FIND_DATAA& entry) {
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM || is_reparse_point(entry)) return false;
    return is_old_enough(entry) && !is_excluded_name(entry.cFileName);
}

CleanItem make_item(std::string path, const WIN32_FIND_DATAA& entry) {
    CleanItem item;
    item.type = ITEM_FILE;
    item.path = std::move(path);
    item.size = find_data_size(entry);
    item.description = "Temporary file";
    if (apply_lock_state(item, item.path)) {
        item.description = item.locked_by ? "Temporary file (LOCKED)" : "Temporary file (LOCKED by unknown process)";
    }
    return item;
}

// Links inside a temporary directory are not entered: what they point to is
// not temporary.
void scan_temp_directory(const std::string& dir, ItemList& items, AncestorChain& chain,
                         const WIN32_FIND_DATAA* own = nullptr) {
    AncestorChain::Step step(chain, dir, own);
    if (!step.entered()) return;
    DirectoryListing listing(dir);
    while (const WIN32_FIND_DATAA* entry = listing.next()) {
        auto path = join_path(dir, entry->cFileName);
        if (!path) continue;
        if (is_directory(*entry)) {
            if (!is_reparse_point(*entry)) scan_temp_directory(*path, items, chain, entry);
        } else if (is_candidate(*entry)) {
            items.push_back(make_item(std::move(*path), *entry));
        }
    }
}

std::uint64_t scan(ItemList& items) {
    items.clear();
    for (const std::string& dir : state.temp_locations) {
        AncestorChain chain;
        scan_temp_directory(dir, items, chain);
    }
    return items.size();
}

void remove_file(CleanItem& item) {
    const bool still = is_still_as_listed(item);
    settle_attempt(item, still, still ? recycle_or_delete_file(item.path) : std::nullopt);
}

void clean(ItemList& batch) { clean_with_reports(batch, remove_file, true); }

void cleanup() { state = TempFilesState{}; }

std::uint64_t estimated_size() { return 104857600; }

}  // namespace

const CleanerModule temp_files_module{.id = "temp_files",
                                      .display_name = "Temporary Files",
                                      .summary = "Temporary files",
                                      .window_label = "🗂 Temporary Files",
                                      .init = init,
                                      .scan = scan,
                                      .clean = clean,
                                      .cleanup = cleanup,
                                      .estimated_size = estimated_size};

std::vector<ModuleTableRow> temp_files_table() {
    std::vector<ModuleTableRow> rows;
    for (const char* path : {USER_TEMP_TEMPLATE, WINDOWS_TEMP_TEMPLATE}) {
        for (const char* pattern : TEMP_EXCLUDE_PATTERNS) rows.push_back({"Temporary files", path, pattern});
    }
    return rows;
}
