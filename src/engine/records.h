#pragma once
// The records every part of twk exchanges: what a scan finds, what a clean
// reports, and the descriptor through which the engine drives a module.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

enum CleanItemType : std::uint32_t {
    ITEM_FILE = 0,            // deleted as a file
    ITEM_DIRECTORY = 1,       // removed with everything under it
    ITEM_REGISTRY_VALUE = 3,  // path names root key, subkey and value
};

struct CleanItem {
    CleanItemType type = ITEM_FILE;
    std::string path;
    std::string description;  // after a scan: "[module_id] module text"
    std::uint64_t size = 0;
    bool selected = true;
    bool locked = false;
    std::optional<std::string> locked_by;
    std::uint32_t locker_pid = 0;
};

// A deque rather than a vector: a scan may list a million items, and a vector
// would copy them all each time it grows, holding old and new copies at once;
// a deque only adds blocks, so memory grows with the items and nothing moves.
using ItemList = std::deque<CleanItem>;

struct ScanResults {
    std::uint64_t total_items = 0;  // every item, locked and unselected ones included
    std::uint64_t total_size = 0;
    ItemList items;                 // modules in registration order
};

struct CleanResults {
    std::uint64_t cleaned_count = 0;
    std::uint64_t bytes_freed = 0;
    std::uint64_t failed_count = 0;
    std::vector<std::string> errors;  // one message per item of a failed batch

    std::uint64_t error_count() const { return errors.size(); }
};

// A cleaning module as the engine sees it. Descriptors are static data owned by
// their module; the engine keeps pointers only.
struct CleanerModule {
    const char* id;            // unique; also the tag that routes items back
    const char* display_name;  // shown in progress messages; may be null
    bool (*init)();            // may be null; registration fails when it returns false
    // Appends the module's findings to an empty list and returns their number.
    std::uint64_t (*scan)(ItemList& items);
    // Cleans the selected items of a batch; true when every one of them was cleaned.
    bool (*clean)(const ItemList& batch);
    void (*cleanup)();                     // may be null; runs once at shutdown
    std::uint64_t (*estimated_size)();     // a constant estimate; nothing calls it
};
