#pragma once
// The clean report of the activity log, from the outcomes of the items the
// clean was given.

#include "engine/records.h"

#include <cstdint>
#include <vector>

struct CleanReport {
    const CleanResults& totals;
    std::vector<const CleanItem*> held;  // skipped because they were in use
    std::uint64_t planned = 0;           // items the clean was asked to act on
};

void gui_log_clean_summary(const CleanReport& report);
