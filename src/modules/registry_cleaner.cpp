#include "modules/registry_cleaner.h"

#include "engine/cleaner.h"
#include "engine/directory_listing.h"
#include "engine/registry_backup.h"
#include "engine/win32_handle.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace {

// HKEY constants are casts, so this table cannot be constexpr.
static const std::array<RegistryCategory, 5> default_categories{{
    {"Invalid Uninstall Entries", HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
    {"Missing Shared DLLs", HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"},
    {"Invalid File Extensions", HKEY_CLASSES_ROOT, nullptr},
    {"MUI Cache", HKEY_CURRENT_USER, "Software\\Classes\\Local Settings\\Software\\Microsoft\\Windows\\Shell\\MuiCache"},
    {"Invalid Recent Documents", HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\RecentDocs"},
}};
static const std::array<std::pair<HKEY, const char*>, 5> root_key_names{{
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
    {HKEY_USERS, "HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
}};
// Only these roots are cleaned; an item naming another one fails.
static const std::array<std::pair<HKEY, const char*>, 3> cleanable_roots{{
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
    {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
}};
static constexpr std::size_t MAX_CATEGORIES = 20;
static constexpr DWORD VALUE_NAME_CHARS = 256;
static constexpr DWORD VALUE_DATA_BYTES = 1024;
static constexpr std::size_t ITEM_PATH_BUFFER = 512;

struct ModuleState {
    bool registry_cleaner_enabled = false;
    std::vector<RegistryCategory> registry_categories;
};
ModuleState state;

const char* root_key_name(HKEY root) {
    for (const auto& [key, name] : root_key_names) {
        if (key == root) return name;
    }
    return "UNKNOWN";
}

// ---- scan ----

// True when the data, expanded, is a path that does not exist. Only "not
// found" answers count: a path that cannot be checked (access denied, an
// unreachable share) may well exist.
bool names_missing_path(const char* data) {
    char expanded[PATH_BUFFER_SIZE];
    const DWORD length = ExpandEnvironmentStringsA(data, expanded, PATH_BUFFER_SIZE);
    if (length == 0 || length > PATH_BUFFER_SIZE || expanded[0] == '\0') return false;
    if (GetFileAttributesA(expanded) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

// Outside the UTF-8 code page, a "?" in a name or in data may stand for a
// character that did not convert: such a value names something else than
// what is stored, so it is passed over.
bool is_lossy(const char* text) { return GetACP() != CP_UTF8 && std::strchr(text, '?') != nullptr; }

CleanItem item_for(const RegistryCategory& category, const char* value_name) {
    CleanItem item;
    item.type = ITEM_REGISTRY_VALUE;
    item.path = std::string(root_key_name(category.root)) + "\\" +
                (category.subkey ? category.subkey : ROOT_KEY_PLACEHOLDER) + "\\" + value_name;
    item.description = category.name;
    item.size = 1;  // a registry value counts as one byte in the totals
    return item;
}

// Values stored directly in the category's key, in enumeration order. A value
// whose name or data does not fit the buffers ends the enumeration.
void scan_category(const RegistryCategory& category, ItemList& items) {
    UniqueRegistryKey key;
    if (RegOpenKeyExA(category.root, category.subkey, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    for (DWORD index = 0;; ++index) {
        char name[VALUE_NAME_CHARS];
        DWORD name_length = VALUE_NAME_CHARS;
        // One byte more than offered: data stored without its NUL can fill the
        // whole buffer and is terminated here instead of read past.
        std::array<char, VALUE_DATA_BYTES + 1> data{};
        DWORD data_length = VALUE_DATA_BYTES;
        DWORD type = REG_NONE;
        if (RegEnumValueA(key.get(), index, name, &name_length, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &data_length) != ERROR_SUCCESS) {
            return;
        }
        if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
        data[std::min(data_length, VALUE_DATA_BYTES)] = '\0';
        if (is_lossy(name) || is_lossy(data.data()) || !names_missing_path(data.data())) continue;
        CleanItem item = item_for(category, name);
        // A cut path would name another value when cleaned.
        if (item.path.size() < ITEM_PATH_BUFFER) items.push_back(std::move(item));
    }
}

// ---- clean ----

// A value name may hold backslashes, so splitting a path at its last one can
// name a value in a subkey that was never listed: only a key that a category
// enumerates is accepted.
bool is_category_key(HKEY root, const std::string& subkey) {
    return std::ranges::any_of(state.registry_categories, [&](const RegistryCategory& category) {
        return category.root == root && subkey == (category.subkey ? category.subkey : "");
    });
}

// Splits "ROOT\subkey\name" at its first and last backslash; the placeholder
// subkey means the root key itself.
std::optional<RegistryValueLocation> location_of(const CleanItem& item) {
    if (item.type != ITEM_REGISTRY_VALUE || item.path.size() >= ITEM_PATH_BUFFER) return std::nullopt;
    const std::string_view path = item.path;
    const auto first = path.find('\\');
    if (first == std::string_view::npos) return std::nullopt;
    const std::string_view root_text = path.substr(0, first);
    const std::string_view rest = path.substr(first + 1);
    const auto last = rest.rfind('\\');
    if (last == std::string_view::npos) return std::nullopt;
    for (const auto& [root, name] : cleanable_roots) {
        if (root_text != name) continue;
        RegistryValueLocation location{root, name, std::string(rest.substr(0, last)), std::string(rest.substr(last + 1))};
        if (root == HKEY_CLASSES_ROOT && location.subkey == ROOT_KEY_PLACEHOLDER) location.subkey.clear();
        if (!is_category_key(root, location.subkey)) return std::nullopt;
        return location;
    }
    return std::nullopt;
}

bool delete_value(const RegistryValueLocation& location) {
    UniqueRegistryKey key;
    const char* subkey = location.subkey.empty() ? nullptr : location.subkey.c_str();
    if (RegOpenKeyExA(location.root, subkey, 0, KEY_WRITE, key.put()) != ERROR_SUCCESS) return false;
    return RegDeleteValueA(key.get(), location.value_name.c_str()) == ERROR_SUCCESS;
}

// ---- the module's operations ----

bool init() {
    state.registry_cleaner_enabled = false;
    state.registry_categories.assign(default_categories.begin(), default_categories.end());
    return true;
}

std::uint64_t scan(ItemList& items) {
    if (!state.registry_cleaner_enabled) return 0;
    for (const RegistryCategory& category : state.registry_categories) scan_category(category, items);
    return items.size();
}

// Every value about to be deleted is first written to a backup file; without
// a complete backup nothing is deleted.
void clean(ItemList& batch) {
    std::vector<RegistryValueLocation> locations;
    std::vector<CleanItem*> located;
    for (CleanItem& item : batch) {
        if (item.outcome != ItemOutcome::pending) continue;
        if (!state.registry_cleaner_enabled) {
            settle_failed(item, "the registry cleaner is not enabled");
        } else if (auto location = location_of(item)) {
            locations.push_back(std::move(*location));
            located.push_back(&item);
        } else {
            settle_failed(item, "not a value of a cleaned key");
        }
    }
    if (locations.empty()) return;
    const auto backup = write_registry_backup(locations);
    if (!backup) {
        for (CleanItem* item : located) settle_failed(*item, "the backup could not be written");
        return;
    }
    report_progress(-1.0f, ("[i] Registry backup: " + *backup).c_str());
    for (std::size_t i = 0; i < locations.size(); ++i) {
        if (clean_cancelled()) return;
        if (delete_value(locations[i])) {
            settle_removed(*located[i], Removal::deleted);
        } else {
            settle_failed(*located[i], "the value could not be deleted");
        }
    }
}

void no_cleanup() {}

std::uint64_t estimated_size() { return 10240; }

}  // namespace

const CleanerModule registry_cleaner_module{.id = "registry_cleaner",
                                            .display_name = "Registry Cleaner (Advanced)",
                                            .summary = "Registry entries",
                                            .window_label = "🔧 Registry",
                                            .enabled_by_default = false,
                                            .init = init,
                                            .scan = scan,
                                            .clean = clean,
                                            .cleanup = no_cleanup,
                                            .estimated_size = estimated_size,
                                            .enabled = registry_cleaner_is_enabled};

void registry_cleaner_set_enabled(bool enabled) { state.registry_cleaner_enabled = enabled; }
bool registry_cleaner_is_enabled() { return state.registry_cleaner_enabled; }

void registry_cleaner_set_categories(std::vector<RegistryCategory> categories) {
    if (categories.size() > MAX_CATEGORIES) categories.resize(MAX_CATEGORIES);
    state.registry_categories = std::move(categories);
}
