#pragma once
// The scan report of the activity log: the summary and one part per ticked
// module, counted by the module tag every item carries.

#include "engine/records.h"
#include "gui/gui_modules.h"

#include <array>

using ModuleTallies = std::array<ModuleTally, GUI_MODULE_COUNT>;

ModuleTallies gui_tally(const ItemList& items);
void gui_log_scan_summary(const ScanResults* results);
// `scanned` marks the modules that ran before the scan ended (all of them unless cancelled).
void gui_log_module_details(const ModuleSelection& ticked, const ModuleSelection& scanned, const ModuleTallies& tallies);
