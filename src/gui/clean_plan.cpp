#include "gui/clean_plan.h"

#include "engine/diagnostics.h"
#include "gui/gui_state.h"

#include <algorithm>
#include <array>

namespace {

std::string count_of(std::uint64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

// "browser cache" and "Windows cache" read "browser and Windows cache".
std::string joined_nouns(std::vector<const char*> nouns) {
    constexpr std::string_view SHARED = " cache";
    const bool all_caches = std::ranges::all_of(nouns, [&](const char* noun) { return std::string_view(noun).ends_with(SHARED); });
    std::string text;
    for (std::size_t i = 0; i < nouns.size(); ++i) {
        std::string noun = nouns[i];
        if (all_caches && i + 1 < nouns.size()) noun.resize(noun.size() - SHARED.size());
        if (i > 0) text += i + 1 == nouns.size() ? " and " : ", ";
        text += noun;
    }
    return text;
}

}  // namespace

bool gui_in_clean_plan(const CleanItem& item, const ModuleSelection& modules) {
    const int row = gui_tally_entry(item.description);
    return row >= 0 && modules[row] && item.selected && item.outcome != ItemOutcome::removed;
}

std::vector<std::size_t> gui_clean_plan(const ItemList& items, const ModuleSelection& modules) {
    std::vector<std::size_t> plan;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (gui_in_clean_plan(items[i], modules)) plan.push_back(i);
    }
    return plan;
}

CleanPlanSummary gui_summarise_plan(const ItemList& items, const std::vector<std::size_t>& plan) {
    CleanPlanSummary summary;
    std::array<bool, GUI_MODULE_COUNT> deleting{};
    for (std::size_t index : plan) {
        const CleanItem& item = items[index];
        const int row = gui_tally_entry(item.description);
        summary.count += 1;
        summary.bytes += item.size;
        if (GUI_MODULES[row].recycles) {
            summary.recycled += 1;
        } else {
            summary.permanent += 1;
            deleting[row] = true;
        }
    }
    for (int row = 0; row < GUI_MODULE_COUNT; ++row) {
        if (deleting[row]) summary.permanent_nouns.push_back(GUI_MODULES[row].permanent_noun);
    }
    return summary;
}

std::string gui_confirmation_text(const CleanPlanSummary& summary) {
    std::string text = "Clean " + count_of(summary.count, "item", "items") + " (" + format_size(summary.bytes) + ")?";
    if (summary.recycled > 0) {
        text += " " + std::to_string(summary.recycled) + (summary.recycled == 1 ? " goes" : " go") + " to the Recycle Bin";
    }
    if (summary.permanent > 0) {
        text += summary.recycled > 0 ? ";" : "";
        text += " " + std::to_string(summary.permanent) + " " + joined_nouns(summary.permanent_nouns) +
                (summary.permanent == 1 ? " item is" : " items are") + " deleted permanently";
    }
    return text + ".";
}

std::vector<std::pair<std::size_t, std::size_t>> gui_clean_batches(const ItemList& items,
                                                                   const std::vector<std::size_t>& plan) {
    std::vector<std::pair<std::size_t, std::size_t>> batches;
    for (std::size_t first = 0; first < plan.size();) {
        const int row = gui_tally_entry(items[plan[first]].description);
        std::size_t last = first + 1;
        if (GUI_MODULES[row].one_batch) {
            while (last < plan.size() && gui_tally_entry(items[plan[last]].description) == row) ++last;
        }
        batches.emplace_back(first, last);
        first = last;
    }
    return batches;
}

void gui_add_clean_results(CleanResults& total, CleanResults& part) {
    total.cleaned_count += part.cleaned_count;
    total.bytes_freed += part.bytes_freed;
    total.failed_count += part.failed_count;
    total.skipped_count += part.skipped_count;
    total.recycled_count += part.recycled_count;
    total.bytes_recycled += part.bytes_recycled;
    std::ranges::move(part.errors, std::back_inserter(total.errors));
}
