// Temporary files: files at least a day old anywhere below the user's and the
// Windows temporary directories, except names an application may still be
// using ("*.tmp" work files, "~*" owner files of open documents). Deleted
// files go to the Recycle Bin where the shell allows it.

#include "modules/modules.h"

#include "engine/checked_delete.h"
#include "engine/cleaner.h"
#include "engine/file_locks.h"
#include "engine/file_system.h"
#include "modules/reported_clean.h"

#include <shlwapi.h>

#include <algorithm>
#include <string>
#include <tuple>
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

// GetTempPathA's answer as it stands; nothing when it does not fit.
std::optional<std::string> system_temp_path() {
    char buffer[PATH_BUFFER_SIZE];
    const DWORD length = GetTempPathA(PATH_BUFFER_SIZE, buffer);
    if (length == 0 || length >= PATH_BUFFER_SIZE) return std::nullopt;
    return std::string(buffer, length);
}

bool nested(const std::string& a, const std::string& b) {
    const auto& [shorter, longer] = a.size() < b.size() ? std::tie(a, b) : std::tie(b, a);
    return longer.size() > shorter.size() && longer[shorter.size()] == '\\' &&
           _strnicmp(longer.c_str(), shorter.c_str(), shorter.size()) == 0;
}

// The sound temporary roots, each once however it is spelled (a trailing
// backslash, a short name, %TEMP% naming the Windows one): two roots with one
// identity are one directory, and walking it twice would list its files twice.
// For the same reason a root inside or around an earlier one is left out.
std::vector<std::string> sound_temp_locations() {
    std::vector<std::string> locations;
    std::vector<FileIdentity> seen;
    const auto add = [&](std::optional<std::string> dir) {
        const auto resolved = dir ? resolve_directory(*dir) : std::nullopt;
        if (!resolved || std::ranges::find(seen, resolved->identity) != seen.end()) return;
        const auto overlaps = [&dir](const std::string& known) { return nested(known, *dir); };
        if (locations.size() == MAX_TEMP_LOCATIONS || std::ranges::any_of(locations, overlaps)) return;
        seen.push_back(resolved->identity);
        locations.push_back(std::move(*dir));
    };
    if (auto path = system_temp_path()) add(sound_directory(*path, "", RootUse::temporary, "the temporary folder"));
    add(expand_location(USER_TEMP_TEMPLATE, RootUse::temporary));
    add(expand_location(WINDOWS_TEMP_TEMPLATE, RootUse::temporary));
    return locations;
}

bool init() {
    state = TempFilesState{};
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

CleanItem make_item(std::string path, const WIN32_FIND_DATAA& entry, const ProbedFile& probed) {
    CleanItem item;
    item.type = ITEM_FILE;
    item.path = std::move(path);
    item.size = find_data_size(entry);
    item.description = "Temporary file";
    item.snapshot = probed.snapshot;
    if (probed.locked) {
        mark_locked(item, item.path);
        item.description = item.locked_by ? "Temporary file (LOCKED)" : "Temporary file (LOCKED by unknown process)";
    }
    return item;
}

// Links inside a temporary directory are not entered: what they point to is
// not temporary.
void scan_temp_directory(const std::string& dir, std::uint32_t volume, ItemList& items, AncestorChain& chain,
                         const WIN32_FIND_DATAA* own = nullptr) {
    AncestorChain::Step step(chain, dir, own);
    if (!step.entered()) return;
    IdentifiedListing listing(dir);
    while (const WIN32_FIND_DATAA* entry = listing.next()) {
        auto path = join_path(dir, entry->cFileName);
        if (!path) continue;
        if (is_directory(*entry)) {
            if (!is_reparse_point(*entry)) scan_temp_directory(*path, volume, items, chain, entry);
        } else if (is_candidate(*entry)) {
            const ProbedFile probed = probe_listed_file(*path, *entry, {volume, listing.file_index()});
            if (probed.snapshot) items.push_back(make_item(std::move(*path), *entry, probed));
        }
    }
}

std::uint64_t scan(ItemList& items) {
    items.clear();
    state.temp_locations = sound_temp_locations();
    for (const std::string& dir : state.temp_locations) {
        AncestorChain chain;
        if (const auto volume = volume_serial_of(dir)) scan_temp_directory(dir, *volume, items, chain);
    }
    return items.size();
}

// The temporary root the item lies below: the Recycle Bin move holds every
// directory from there down.
const std::string* root_of(const CleanItem& item) {
    const auto below = [&item](const std::string& root) {
        return item.path.size() > root.size() + 1 && item.path[root.size()] == '\\' &&
               _strnicmp(item.path.c_str(), root.c_str(), root.size()) == 0;
    };
    const auto found = std::ranges::find_if(state.temp_locations, below);
    return found == state.temp_locations.end() ? nullptr : &*found;
}

void remove_file(CleanItem& item) {
    if (const std::string* root = root_of(item)) {
        recycle_listed(item, *root);
    } else {
        settle_failed(item, "changed since the scan");
    }
}

// A clean given items without a scan in this run (a saved plan) finds the roots afresh.
void clean(ItemList& batch) {
    if (state.temp_locations.empty()) state.temp_locations = sound_temp_locations();
    clean_with_reports(batch, remove_file, true);
}

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
