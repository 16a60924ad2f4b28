#pragma once
// Scriptable cleaning modules for driving the engine and the front ends
// without touching the machine: each reports the items it is given and
// answers a clean with a chosen result, recording what it received.

#include "engine/records.h"

#include <string>
#include <vector>

inline constexpr int FAKE_MODULE_SLOTS = 6;

struct FakeModuleState {
    std::string id;
    std::string display_name;
    ItemList items;           // reported by every scan (descriptions unprefixed)
    bool init_result = true;
    bool clean_result = true;  // every pending item removed, or every one failed
    bool throws = false;      // scan and clean throw std::bad_alloc, as when memory runs out
    std::vector<ItemList> batches;  // what each clean was given
    int scans = 0;
    int cleanups = 0;
};

// The descriptor of fake slot `slot`, configured from its state.
const CleanerModule* fake_module(int slot);
FakeModuleState& fake_state(int slot);
// Resets every slot to an unconfigured state with id "fake<slot>".
void reset_fake_modules();

// A plain unselected-or-selected item for scripting.
CleanItem make_item(const std::string& path, std::uint64_t size, const std::string& description = "Item");
CleanItem make_locked_item(const std::string& path, std::uint64_t size, const char* locked_by, std::uint32_t pid);

// Runs a real module's clean over `items` as the engine would (unselected and
// locked items settled as skipped first). True when every item the module had
// to act on went: none failed and none was skipped for a lock.
bool cleans_all(const CleanerModule& module, ItemList items);
