#include "engine/cleaner.h"

#include "engine/exclusions.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <string>

std::atomic<ProgressCallback> g_progress_callback{nullptr};

namespace {

struct ModuleRegistry {
    std::mutex lock;
    std::array<const CleanerModule*, MAX_MODULES> modules{};
    std::size_t count = 0;
    std::atomic<bool> initialised{false};
    std::vector<std::string> excluded;  // guarded by `lock`
};

ModuleRegistry registry;

bool has_id(const CleanerModule* module, const char* id) { return std::strcmp(module->id, id) == 0; }

bool is_registered(const char* id) {
    return std::any_of(registry.modules.begin(), registry.modules.begin() + registry.count,
                       [id](const CleanerModule* m) { return has_id(m, id); });
}

bool is_chosen(const CleanerModule* module, std::span<const std::string> ids) {
    return std::any_of(ids.begin(), ids.end(),
                       [module](const std::string& id) { return id == module->id; });
}

bool starts_with_tag(const std::string& description, const std::string& tag) {
    return description.compare(0, tag.size(), tag) == 0;
}

// Prefixes each description with "[module_id] " in place and adds the items
// to the totals.
void tag_and_count(ItemList& items, const char* id, ScanResults& results) {
    const std::string prefix = std::string("[") + id + "] ";
    for (CleanItem& item : items) {
        item.description.insert(0, prefix);
        results.total_items += 1;
        results.total_size += item.size;
    }
}

void drop_excluded(ItemList& items, Exclusions& exclusions) {
    if (exclusions.empty()) return;
    std::erase_if(items, [&](const CleanItem& item) { return exclusions.covers(item); });
}

// Moves a module's items behind the merged list. Each item leaves its own list
// as it joins, so the two never hold a large list twice.
void append_list(ItemList& merged, ItemList& items) {
    if (merged.empty()) {
        merged = std::move(items);
        return;
    }
    while (!items.empty()) {
        merged.push_back(std::move(items.front()));
        items.pop_front();
    }
}

// No exception crosses into the front ends: a scan or clean that throws (out
// of memory, most likely) gives no results record, which they already report
// as a failed operation. The registry lock is released on the way out.
template <typename Operation>
auto or_no_results(Operation operation) noexcept -> decltype(operation()) {
    try {
        return operation();
    } catch (...) {
        return nullptr;
    }
}

// Where modules' warnings go while a scan runs; nowhere outside one.
thread_local ScanResults* current_scan = nullptr;
struct ScanInProgress {
    explicit ScanInProgress(ScanResults* results) { current_scan = results; }
    ~ScanInProgress() { current_scan = nullptr; }
};

// The merged scan of the chosen modules; `ids` null means every module.
std::unique_ptr<ScanResults> scan_modules(const std::span<const std::string>* ids) {
    if (!registry.initialised) return nullptr;
    auto results = std::make_unique<ScanResults>();
    {
        std::lock_guard guard(registry.lock);
        Exclusions exclusions(registry.excluded);
        const std::size_t n = registry.count;
        const ScanInProgress in_progress(results.get());
        for (std::size_t i = 0; i < n; ++i) {
            const CleanerModule* module = registry.modules[i];
            if (ids && !is_chosen(module, *ids)) continue;
            // Computed in single precision from the slot index, so filtered scans jump.
            report_progress(static_cast<float>(i) / static_cast<float>(n) * 100.0f,
                            module->display_name ? module->display_name : "");
            ItemList found;
            module->scan(found);
            drop_excluded(found, exclusions);
            tag_and_count(found, module->id, *results);
            append_list(results->items, found);
        }
    }
    report_progress(100.0f, "Scan complete");
    return results;
}

thread_local const std::atomic<bool>* current_cancel = nullptr;

std::string lock_reason(const CleanItem& item) {
    if (!item.locked_by) return "in use (holder unknown)";
    return "in use by " + *item.locked_by + " (PID " + std::to_string(item.locker_pid) + ")";
}

// What the module never needs to act on is settled before it sees the batch.
void settle_passed_over(ItemList& batch) {
    for (CleanItem& item : batch) {
        if (item.locked) {
            settle_skipped(item, lock_reason(item));
        } else if (!item.selected) {
            settle_skipped(item, "not selected");
        }
    }
}

// An item the module left pending was not reached (the clean was cancelled)
// or not handled, which counts as a failure.
void settle_left_over(ItemList& batch) {
    for (CleanItem& item : batch) {
        if (item.outcome != ItemOutcome::pending) continue;
        if (clean_cancelled()) {
            settle_skipped(item, "cancelled");
        } else {
            settle_failed(item, "not cleaned");
        }
    }
}

// Each module cleans its own batch of copies; the caller's list is left as it
// is, and the copies come back in the results with their outcomes.
std::unique_ptr<CleanResults> clean_modules(const ItemList& items, const std::atomic<bool>* cancel) {
    if (!registry.initialised || items.empty()) return nullptr;
    auto results = std::make_unique<CleanResults>();
    {
        std::lock_guard guard(registry.lock);
        current_cancel = cancel;
        std::size_t processed = 0;
        for (std::size_t i = 0; i < registry.count; ++i) {
            const CleanerModule* module = registry.modules[i];
            const std::string tag = std::string("[") + module->id + "]";
            ItemList batch;
            std::copy_if(items.begin(), items.end(), std::back_inserter(batch),
                         [&tag](const CleanItem& item) { return starts_with_tag(item.description, tag); });
            if (batch.empty()) continue;
            for (CleanItem& item : batch) item.outcome = ItemOutcome::pending;
            settle_passed_over(batch);
            if (!clean_cancelled()) module->clean(batch);
            settle_left_over(batch);
            for (const CleanItem& item : batch) count_outcome(*results, item);
            processed += batch.size();
            append_list(results->items, batch);
            report_progress(static_cast<float>(processed) / static_cast<float>(items.size()) * 100.0f,
                            "Cleaning files...");
        }
        current_cancel = nullptr;
    }
    report_progress(100.0f, "Clean complete");
    return results;
}

}  // namespace

void report_scan_warning(std::string warning) {
    if (!current_scan || std::ranges::find(current_scan->warnings, warning) != current_scan->warnings.end()) return;
    current_scan->warnings.push_back(std::move(warning));
}

void count_outcome(CleanResults& results, const CleanItem& item) {
    switch (item.outcome) {
        case ItemOutcome::removed:
            results.cleaned_count += 1;
            results.bytes_freed += item.size;
            if (item.how == Removal::recycled) {
                results.recycled_count += 1;
                results.bytes_recycled += item.size;
            }
            break;
        case ItemOutcome::failed:
            results.failed_count += 1;
            results.errors.push_back(item.path + ": " + item.reason);
            break;
        default: results.skipped_count += 1; break;
    }
}

bool clean_cancelled() { return current_cancel && current_cancel->load(); }

void settle_removed(CleanItem& item, Removal how) {
    item.outcome = ItemOutcome::removed;
    item.how = how;
    item.reason.clear();
}

void settle_skipped(CleanItem& item, std::string reason) {
    item.outcome = ItemOutcome::skipped;
    item.reason = std::move(reason);
}

void settle_failed(CleanItem& item, std::string reason) {
    item.outcome = ItemOutcome::failed;
    item.reason = std::move(reason);
}

void report_progress(float percent, const char* message) {
    if (ProgressCallback callback = g_progress_callback.load()) callback(percent, message);
}

void cleaner_init() {
    if (registry.initialised) return;
    registry.count = 0;
    registry.excluded.clear();
    g_progress_callback = nullptr;
    registry.initialised = true;
}

bool cleaner_register_module(const CleanerModule* module) {
    if (!registry.initialised || !module || !module->id || !module->scan || !module->clean) return false;
    std::lock_guard guard(registry.lock);
    if (registry.count >= MAX_MODULES || is_registered(module->id)) return false;
    if (module->init && !module->init()) return false;
    registry.modules[registry.count++] = module;
    return true;
}

std::vector<const CleanerModule*> cleaner_registered_modules() {
    std::lock_guard guard(registry.lock);
    return {registry.modules.begin(), registry.modules.begin() + registry.count};
}

void cleaner_set_exclusions(std::vector<std::string> paths) {
    std::lock_guard guard(registry.lock);
    registry.excluded = std::move(paths);
}

std::unique_ptr<ScanResults> cleaner_scan() {
    return or_no_results([] { return scan_modules(nullptr); });
}

std::unique_ptr<ScanResults> cleaner_scan(std::span<const std::string> module_ids) {
    return or_no_results([&] { return scan_modules(&module_ids); });
}

std::unique_ptr<CleanResults> cleaner_clean(const ItemList& items, const std::atomic<bool>* cancel) {
    return or_no_results([&] { return clean_modules(items, cancel); });
}

void cleaner_shutdown() {
    if (!registry.initialised) return;
    std::lock_guard guard(registry.lock);
    for (std::size_t i = 0; i < registry.count; ++i) {
        if (registry.modules[i]->cleanup) registry.modules[i]->cleanup();
    }
    registry.count = 0;
    registry.initialised = false;
}
