#include "modules/registry_cleaner.h"

#include "engine/cleaner.h"
#include "engine/directory_listing.h"
#include "engine/registry_backup.h"
#include "engine/text_conversion.h"
#include "engine/win32_handle.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cwctype>
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
// 1024 characters of string data, read through the wide calls.
static constexpr DWORD VALUE_DATA_BYTES = 1024 * sizeof(wchar_t);
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

// Registry text the clean can name again and a backup can carry exactly: no
// NUL inside, no control character (a line feed breaks the backup's line), and
// a faithful conversion. A name read through the 8-bit calls would end at an
// embedded NUL ("tool\0x" read as "tool", deleting the valid "tool").
std::optional<std::string> plain_text(std::wstring_view text) {
    if (std::ranges::any_of(text, [](wchar_t c) { return c < 0x20; })) return std::nullopt;
    return narrow(text);
}

// String data without its terminating NUL; nothing for data of odd length.
std::optional<std::wstring> string_data(const RegistryValueSnapshot& value) {
    if (value.data.size() % sizeof(wchar_t) != 0) return std::nullopt;
    std::wstring text(value.data.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value.data.data(), value.data.size());
    if (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

// Only drive-letter and UNC paths say where something is: "notepad.exe"
// exists or not depending on the working directory.
bool is_absolute_path(std::wstring_view path) {
    const bool drive = path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\';
    const bool unc = path.size() > 2 && path.starts_with(L"\\\\") && path[2] != L'?' && path[2] != L'.';
    return drive || unc;
}

// True when the data, expanded, is an absolute path that does not exist. Only
// "not found" answers count: a path that cannot be checked (access denied, an
// unreachable share) may well exist.
bool names_missing_path(const std::wstring& data) {
    wchar_t expanded[PATH_BUFFER_SIZE];
    const DWORD length = ExpandEnvironmentStringsW(data.c_str(), expanded, PATH_BUFFER_SIZE);
    if (length == 0 || length > PATH_BUFFER_SIZE || !is_absolute_path(expanded)) return false;
    if (GetFileAttributesW(expanded) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME;
}

// A string value whose plain data names a missing path.
bool is_stale(const RegistryValueSnapshot& value) {
    if (value.value_type != REG_SZ && value.value_type != REG_EXPAND_SZ) return false;
    const auto data = string_data(value);
    return data && plain_text(*data) && names_missing_path(*data);
}

std::optional<CleanItem> item_for(const RegistryCategory& category, std::wstring_view value_name,
                                  RegistryValueSnapshot value) {
    const auto name = plain_text(value_name);
    if (!name || !is_stale(value)) return std::nullopt;
    CleanItem item;
    item.type = ITEM_REGISTRY_VALUE;
    item.path = std::string(root_key_name(category.root)) + "\\" +
                (category.subkey ? category.subkey : ROOT_KEY_PLACEHOLDER) + "\\" + *name;
    item.description = category.name;
    item.size = 1;  // a registry value counts as one byte in the totals
    item.registry_value = std::make_shared<const RegistryValueSnapshot>(std::move(value));
    // A cut path would name another value when cleaned.
    if (item.path.size() >= ITEM_PATH_BUFFER) return std::nullopt;
    return item;
}

// Values stored directly in the category's key, in enumeration order, read
// through the wide calls so that nothing in a name or data is hidden. A value
// whose name or data does not fit the buffers ends the enumeration.
void scan_category(const RegistryCategory& category, ItemList& items) {
    UniqueRegistryKey key;
    const std::wstring subkey = category.subkey ? widen(category.subkey) : std::wstring();
    if (RegOpenKeyExW(category.root, category.subkey ? subkey.c_str() : nullptr, 0, KEY_READ, key.put()) !=
        ERROR_SUCCESS) {
        return;
    }
    for (DWORD index = 0;; ++index) {
        wchar_t name[VALUE_NAME_CHARS];
        DWORD name_length = VALUE_NAME_CHARS;
        std::array<char, VALUE_DATA_BYTES> data{};
        DWORD data_length = data.size();
        DWORD type = REG_NONE;
        if (RegEnumValueW(key.get(), index, name, &name_length, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                          &data_length) != ERROR_SUCCESS) {
            return;
        }
        RegistryValueSnapshot value{type, std::string(data.data(), std::min<std::size_t>(data_length, data.size()))};
        if (auto item = item_for(category, std::wstring_view(name, name_length), std::move(value))) {
            items.push_back(std::move(*item));
        }
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

// The value is deleted only while it holds what the scan read and that still
// names a missing path: one made valid again, or rewritten, stays.
bool is_still_as_listed(const CleanItem& item, const RegistryValueLocation& location) {
    const auto now = read_registry_value(location);
    return now && item.registry_value && now->value_type == item.registry_value->value_type &&
           now->data == item.registry_value->data && is_stale(*now);
}

bool delete_value(const RegistryValueLocation& location) {
    UniqueRegistryKey key;
    const std::wstring subkey = widen(location.subkey);
    if (RegOpenKeyExW(location.root, subkey.empty() ? nullptr : subkey.c_str(), 0, KEY_WRITE, key.put()) !=
        ERROR_SUCCESS) {
        return false;
    }
    return RegDeleteValueW(key.get(), widen(location.value_name).c_str()) == ERROR_SUCCESS;
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
        if (!is_still_as_listed(*located[i], locations[i])) {
            settle_failed(*located[i], "changed since the scan");
        } else if (delete_value(locations[i])) {
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
