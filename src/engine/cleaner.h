#pragma once
// The module registry and the scan and clean drivers.
//
// One lock serialises registration, every scan, every clean and shutdown, module
// code and progress calls included, so two of them never overlap.

#include "engine/records.h"

#include <atomic>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Receives percentages from 0 to 100, or -1 for a message without a figure.
using ProgressCallback = void (*)(float percent, const char* message);

// The process-wide progress slot. Front ends write it directly: set it before
// an operation and clear it after. Drivers read it under the registry lock.
extern std::atomic<ProgressCallback> g_progress_callback;

// Sends a message through the progress slot when somebody listens.
void report_progress(float percent, const char* message);

inline constexpr std::size_t MAX_MODULES = 32;

void cleaner_init();
bool cleaner_register_module(const CleanerModule* module);
// The registered modules, in registration order.
std::vector<const CleanerModule*> cleaner_registered_modules();

// Paths that no scan lists anything at or below (engine/exclusions.h); they
// stay until replaced. Kept out by the engine, so every module honours them.
void cleaner_set_exclusions(std::vector<std::string> paths);

// Scans every registered module.
std::unique_ptr<ScanResults> cleaner_scan();
// Scans the modules whose ids are listed; an empty list selects none.
std::unique_ptr<ScanResults> cleaner_scan(std::span<const std::string> module_ids);

// Gives each module a batch of copies of the items carrying its tag; the given
// list is not changed, and the copies come back in the results, each with its
// outcome. Null when the engine is not running or the list is empty. Once
// `cancel` turns true the clean stops between items; what it did not reach is
// skipped as "cancelled".
std::unique_ptr<CleanResults> cleaner_clean(const ItemList& items, const std::atomic<bool>* cancel = nullptr);

// For modules' scans: something passed over that the user should hear of
// (a temporary directory from an unsound TEMP), kept in the scan's warnings.
void report_scan_warning(std::string warning);

// For modules' clean operations: how each pending item of a batch ended.
void settle_removed(CleanItem& item, Removal how);
void settle_skipped(CleanItem& item, std::string reason);
void settle_failed(CleanItem& item, std::string reason);
// Adds a settled item to the totals and, when it failed, its message to the errors.
void count_outcome(CleanResults& results, const CleanItem& item);
// True once the front end asked the running clean to stop; modules look
// between items and leave the rest pending.
bool clean_cancelled();

void cleaner_shutdown();
