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

// Scans every registered module.
std::unique_ptr<ScanResults> cleaner_scan();
// Scans the modules whose ids are listed; an empty list selects none.
std::unique_ptr<ScanResults> cleaner_scan(std::span<const std::string> module_ids);

// Gives each module a batch of copies of the items carrying its tag; the given
// list is not changed. Null when the engine is not running or the list is empty.
std::unique_ptr<CleanResults> cleaner_clean(const ItemList& items);

void cleaner_shutdown();
