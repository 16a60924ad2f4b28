#pragma once
// The records every part of twk exchanges: what a scan finds, what a clean
// reports, and the descriptor through which the engine drives a module.

#include <compare>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum CleanItemType : std::uint32_t {
    ITEM_FILE = 0,            // deleted as a file
    ITEM_DIRECTORY = 1,       // removed with everything under it
    ITEM_REGISTRY_VALUE = 3,  // path names root key, subkey and value
};

// A file's identity on its volume: two paths with the same identity (hard
// links, or one file reached through overlapping directories) are one file.
struct FileIdentity {
    std::uint32_t volume_serial = 0;
    std::uint64_t file_id = 0;
    auto operator<=>(const FileIdentity&) const = default;
};

// What a scan saw of a file or directory, read through a handle to it. A clean
// acts only on what still reports the same: anything else was swapped, rewritten
// or recreated since the scan.
struct FileSnapshot {
    FileIdentity identity;
    std::uint64_t size = 0;        // 0 for a directory: its contents are walked afresh
    std::uint64_t last_write = 0;  // 100 ns ticks since 1601; 0 for a directory
    bool operator==(const FileSnapshot&) const = default;
};

// A registry value as the scan read it: deleted only while it still holds this.
struct RegistryValueSnapshot {
    std::uint32_t value_type = 0;
    std::string data;  // the raw bytes
};

// The group of identical files a duplicate copy belongs to, shared by the
// group's items. The kept copy is never an item of its own.
struct DuplicateGroup {
    std::uint32_t number = 0;  // 1, 2, ... in the order of the scan
    std::string digest;        // MD5 in lower-case hex; empty when the scan was asked for none
    std::string kept_path;
    FileSnapshot kept;
};

// How a clean ended for one item. Every item given to a clean ends in exactly
// one of removed, skipped (not selected, locked, cancelled) or failed.
enum class ItemOutcome : std::uint8_t { pending, removed, skipped, failed };
// How a removed item went.
enum class Removal : std::uint8_t { none, recycled, deleted, linked };

struct CleanItem {
    CleanItemType type = ITEM_FILE;
    std::string path;
    std::string description;  // after a scan: "[module_id] module text"
    std::uint64_t size = 0;
    bool selected = true;
    bool locked = false;
    std::optional<std::string> locked_by;
    std::uint32_t locker_pid = 0;

    std::optional<FileSnapshot> snapshot;                          // files and directories
    std::shared_ptr<const RegistryValueSnapshot> registry_value;  // registry values
    std::shared_ptr<const DuplicateGroup> duplicate_group;        // duplicate copies

    // Set by a clean.
    ItemOutcome outcome = ItemOutcome::pending;
    Removal how = Removal::none;
    std::string reason;  // why it was skipped or failed
};

// A deque rather than a vector: a scan may list a million items, and a vector
// would copy them all each time it grows, holding old and new copies at once;
// a deque only adds blocks, so memory grows with the items and nothing moves.
using ItemList = std::deque<CleanItem>;

struct ScanResults {
    std::uint64_t total_items = 0;  // every item, locked and unselected ones included
    std::uint64_t total_size = 0;
    ItemList items;                 // modules in registration order
    std::vector<std::string> warnings;  // roots a module passed over, and why
};

// The outcome of one clean, item by item and added up.
struct CleanResults {
    std::uint64_t cleaned_count = 0;   // removed items
    std::uint64_t bytes_freed = 0;     // their sizes
    std::uint64_t failed_count = 0;    // selected items that failed
    std::uint64_t skipped_count = 0;   // not selected, locked, or not reached
    std::uint64_t recycled_count = 0;  // of the removed ones, those in the Recycle Bin
    std::uint64_t bytes_recycled = 0;
    std::vector<std::string> errors;   // "PATH: REASON" for each failed item
    ItemList items;                    // every item the clean was given, with its outcome

    std::uint64_t error_count() const { return errors.size(); }
};

// A cleaning module: everything the engine and the front ends know about it,
// in one record. Records are static data owned by their module; the engine
// and the front ends keep pointers only and loop over all_modules()
// (modules/modules.h), so no module fact is keyed by its id anywhere else.
struct CleanerModule {
    const char* id;            // unique; also the tag that routes items back
    const char* display_name;  // shown in progress messages; may be null
    const char* summary;       // its `list-modules` line after "id - "
    const char* window_label;  // its check box in the window
    bool caution = false;      // results held with it ticked are worth a second look
    bool enabled_by_default = true;  // ticked in the window at start; listed as such
    bool (*init)();            // may be null; registration fails when it returns false
    // Appends the module's findings to an empty list and returns their number.
    std::uint64_t (*scan)(ItemList& items);
    // Acts on the batch's pending items (the engine has already settled the
    // unselected and locked ones) and settles each of them with
    // settle_removed, settle_failed or settle_skipped. An item left pending
    // counts as failed.
    void (*clean)(ItemList& batch);
    void (*cleanup)();                     // may be null; runs once at shutdown
    std::uint64_t (*estimated_size)();     // a constant estimate; nothing calls it
    // Whether its scan will report anything in this run; null means always.
    bool (*enabled)() = nullptr;
};

inline bool module_enabled(const CleanerModule& module) { return !module.enabled || module.enabled(); }
