// Browser cache: the cache directory of each profile of five browsers, one
// item per cache, removed whole. A browser that is running when twk starts is
// left alone for the whole run: its cache is in use.

#include "modules/modules.h"

#include "engine/checked_delete.h"
#include "engine/file_locks.h"
#include "engine/file_system.h"
#include "engine/system_queries.h"
#include "modules/reported_clean.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

// Cookie and history stores are part of each browser's record, but only caches
// are collected.
struct BrowserInfo {
    const char* name;
    const char* process_name;
    const char* cache_path;  // one "*" stands for every profile directory
    const char* cookies_path;
    const char* history_path;
    bool has_profiles;
};

static constexpr BrowserInfo BROWSERS[] = {
    {"Google Chrome", "chrome.exe", "%LOCALAPPDATA%\\Google\\Chrome\\User Data\\*\\Cache",
     "%LOCALAPPDATA%\\Google\\Chrome\\User Data\\*\\Network\\Cookies",
     "%LOCALAPPDATA%\\Google\\Chrome\\User Data\\*\\History", true},
    {"Microsoft Edge", "msedge.exe", "%LOCALAPPDATA%\\Microsoft\\Edge\\User Data\\*\\Cache",
     "%LOCALAPPDATA%\\Microsoft\\Edge\\User Data\\*\\Network\\Cookies",
     "%LOCALAPPDATA%\\Microsoft\\Edge\\User Data\\*\\History", true},
    {"Mozilla Firefox", "firefox.exe", "%LOCALAPPDATA%\\Mozilla\\Firefox\\Profiles\\*\\cache2\\entries",
     "%APPDATA%\\Mozilla\\Firefox\\Profiles\\*\\cookies.sqlite",
     "%APPDATA%\\Mozilla\\Firefox\\Profiles\\*\\places.sqlite", true},
    {"Opera", "opera.exe", "%APPDATA%\\Opera Software\\Opera Stable\\Cache\\Cache_Data",
     "%APPDATA%\\Opera Software\\Opera Stable\\Network\\Cookies", "%APPDATA%\\Opera Software\\Opera Stable\\History",
     false},
    {"Brave", "brave.exe", "%LOCALAPPDATA%\\BraveSoftware\\Brave-Browser\\User Data\\*\\Cache\\Cache_Data",
     "%LOCALAPPDATA%\\BraveSoftware\\Brave-Browser\\User Data\\*\\Network\\Cookies",
     "%LOCALAPPDATA%\\BraveSoftware\\Brave-Browser\\User Data\\*\\History", true},
};
static constexpr std::size_t BROWSER_COUNT = std::size(BROWSERS);

struct BrowserCacheState {
    bool is_running[BROWSER_COUNT] = {};
    bool skip_running_browsers = true;
};

BrowserCacheState state;

bool init() {
    state = BrowserCacheState{};
    const std::vector<std::string> running = running_executables();
    for (std::size_t i = 0; i < BROWSER_COUNT; ++i) {
        state.is_running[i] = std::ranges::any_of(
            running, [&](const std::string& name) { return _stricmp(name.c_str(), BROWSERS[i].process_name) == 0; });
    }
    return true;
}

// Only the files directly inside the cache are probed, up to the first locked one.
void apply_cache_lock_state(CleanItem& item) {
    DirectoryListing listing(item.path);
    while (const WIN32_FIND_DATAA* entry = listing.next()) {
        if (is_directory(*entry)) continue;
        auto file = join_path(item.path, entry->cFileName);
        if (file && apply_lock_state(item, *file)) return;
    }
}

void add_cache_item(const std::string& dir, const char* browser, std::uint64_t size, ItemList& items) {
    CleanItem item;
    item.type = ITEM_DIRECTORY;
    item.path = dir;
    item.size = size;
    item.description = std::string(browser) + " Cache";
    item.snapshot = listed_snapshot(dir, true);
    if (!item.snapshot) return;  // a link, or a path that leads elsewhere
    apply_cache_lock_state(item);
    if (item.locked) item.description += item.locked_by ? " (LOCKED by " + *item.locked_by + ")" : std::string(" (LOCKED)");
    items.push_back(std::move(item));
}

void add_if_filled(const std::string& dir, const char* browser, ItemList& items) {
    if (!is_existing_directory(dir)) return;
    if (const std::uint64_t size = calculate_directory_size(dir); size > 0) add_cache_item(dir, browser, size, items);
}

// "<profiles>\*<suffix>": every profile directory with that cache below it.
// A profile, or a directory of its cache path, that is a link is passed over:
// it belongs somewhere else.
void scan_profiles(const BrowserInfo& browser, std::string_view prefix, std::string_view suffix, ItemList& items) {
    auto profiles = expand_location(prefix);
    if (!profiles) return;
    auto listing = DirectoryListing::from_pattern(*profiles + "*");
    while (const WIN32_FIND_DATAA* entry = listing.next()) {
        if (!is_directory(*entry) || is_reparse_point(*entry)) continue;
        const std::string profile = *profiles + entry->cFileName;
        const std::string cache = profile + std::string(suffix);
        if (fits_path_buffer(cache) && !crosses_link(profile, suffix)) add_if_filled(cache, browser.name, items);
    }
}

void scan_browser(const BrowserInfo& browser, ItemList& items) {
    const std::string_view pattern = browser.cache_path;
    const auto star = pattern.find('*');
    if (star != std::string_view::npos && browser.has_profiles) {
        scan_profiles(browser, pattern.substr(0, star), pattern.substr(star + 1), items);
    } else if (auto dir = expand_location(browser.cache_path)) {
        add_if_filled(*dir, browser.name, items);
    }
}

std::uint64_t scan(ItemList& items) {
    items.clear();
    for (std::size_t i = 0; i < BROWSER_COUNT; ++i) {
        if (state.is_running[i] && state.skip_running_browsers) continue;
        scan_browser(BROWSERS[i], items);
    }
    return items.size();
}

// Silent: the caller reports only the outcomes.
void clean(ItemList& batch) { clean_pending(batch, delete_listed, false); }

std::uint64_t estimated_size() { return 524288000; }

}  // namespace

const CleanerModule browser_cache_module{.id = "browser_cache",
                                         .display_name = "Browser Cache & Data",
                                         .summary = "Browser cache files",
                                         .window_label = "🌐 Browser Cache",
                                         .caution = true,
                                         .init = init,
                                         .scan = scan,
                                         .clean = clean,
                                         .cleanup = nullptr,
                                         .estimated_size = estimated_size};

std::vector<ModuleTableRow> browser_cache_table() {
    std::vector<ModuleTableRow> rows;
    for (const BrowserInfo& browser : BROWSERS) {
        for (const char* path : {browser.cache_path, browser.cookies_path, browser.history_path}) {
            rows.push_back({browser.name, path, browser.process_name});
        }
    }
    return rows;
}

std::vector<BrowserCheck> browser_cache_checks() {
    std::vector<BrowserCheck> checks;
    for (std::size_t i = 0; i < BROWSER_COUNT; ++i) {
        checks.push_back({BROWSERS[i].name, state.is_running[i] && state.skip_running_browsers});
    }
    return checks;
}
