#include "support/fake_modules.h"

#include "engine/cleaner.h"

#include <algorithm>
#include <array>
#include <new>
#include <utility>

namespace {

std::array<FakeModuleState, FAKE_MODULE_SLOTS> states;
std::array<CleanerModule, FAKE_MODULE_SLOTS> descriptors;

template <int Slot>
struct FakeOps {
    static bool init() { return states[Slot].init_result; }
    static std::uint64_t scan(ItemList& items) {
        ++states[Slot].scans;
        if (states[Slot].throws) throw std::bad_alloc();
        items = states[Slot].items;
        return items.size();
    }
    static void clean(ItemList& batch) {
        if (states[Slot].throws) throw std::bad_alloc();
        states[Slot].batches.push_back(batch);
        for (CleanItem& item : batch) {
            if (item.outcome != ItemOutcome::pending) continue;
            if (states[Slot].clean_result) {
                settle_removed(item, Removal::deleted);
            } else {
                settle_failed(item, "scripted failure");
            }
        }
    }
    static void cleanup() { ++states[Slot].cleanups; }
};

template <int... Slots>
void bind_operations(std::integer_sequence<int, Slots...>) {
    ((descriptors[Slots].init = &FakeOps<Slots>::init, descriptors[Slots].scan = &FakeOps<Slots>::scan,
      descriptors[Slots].clean = &FakeOps<Slots>::clean, descriptors[Slots].cleanup = &FakeOps<Slots>::cleanup),
     ...);
}

}  // namespace

const CleanerModule* fake_module(int slot) {
    CleanerModule& module = descriptors[slot];
    module.id = states[slot].id.c_str();
    module.display_name = states[slot].display_name.c_str();
    return &module;
}

FakeModuleState& fake_state(int slot) { return states[slot]; }

void reset_fake_modules() {
    bind_operations(std::make_integer_sequence<int, FAKE_MODULE_SLOTS>{});
    for (int slot = 0; slot < FAKE_MODULE_SLOTS; ++slot) {
        states[slot] = FakeModuleState{};
        states[slot].id = "fake" + std::to_string(slot);
        states[slot].display_name = "Fake Module " + std::to_string(slot);
    }
}

CleanItem make_item(const std::string& path, std::uint64_t size, const std::string& description) {
    return {.path = path, .description = description, .size = size};
}

bool cleans_all(const CleanerModule& module, ItemList items) {
    bool held = false;
    for (CleanItem& item : items) {
        held = held || item.locked;
        if (item.locked || !item.selected) settle_skipped(item, "passed over");
    }
    module.clean(items);
    return !held && std::none_of(items.begin(), items.end(),
                                 [](const CleanItem& item) { return item.outcome == ItemOutcome::failed || item.outcome == ItemOutcome::pending; });
}

CleanItem make_locked_item(const std::string& path, std::uint64_t size, const char* locked_by, std::uint32_t pid) {
    return {.path = path, .description = "Locked item", .size = size, .selected = false, .locked = true,
            .locked_by = locked_by ? std::optional<std::string>(locked_by) : std::nullopt, .locker_pid = pid};
}
