#pragma once
// What a clean from the window acts on, and the question asked before it:
// the ticked items of the ticked modules that are not already removed.

#include "engine/records.h"
#include "gui/gui_modules.h"

#include <cstdint>
#include <string>
#include <vector>

struct CleanPlanSummary {
    std::uint64_t count = 0;
    std::uint64_t bytes = 0;
    std::uint64_t recycled = 0;   // of modules that send items to the Recycle Bin
    std::uint64_t permanent = 0;  // of modules that delete them for good
    std::vector<const char*> permanent_nouns;  // in module order, each once
};

bool gui_in_clean_plan(const CleanItem& item, const ModuleSelection& modules);
// Positions in `items` of what the plan cleans, in list order.
std::vector<std::size_t> gui_clean_plan(const ItemList& items, const ModuleSelection& modules);
CleanPlanSummary gui_summarise_plan(const ItemList& items, const std::vector<std::size_t>& plan);
// "Clean 12 items (12.90 MB)? 3 go to the Recycle Bin; 9 browser and Windows
// cache items are deleted permanently."
std::string gui_confirmation_text(const CleanPlanSummary& summary);
// The plan cut into the batches cleaner_clean is given: [first, last) ranges
// of `plan`, one module each, one item each unless the module cleans in one batch.
std::vector<std::pair<std::size_t, std::size_t>> gui_clean_batches(const ItemList& items,
                                                                   const std::vector<std::size_t>& plan);
// Adds one batch's results to the running total (its items are not kept).
void gui_add_clean_results(CleanResults& total, CleanResults& part);
