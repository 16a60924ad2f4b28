#include "gui/status_line.h"

#include "gui/gui_state.h"
#include "gui/palette.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct StatusCase {
    bool scanning, cleaning, clean_outcome_shown;
    bool results_kept, scan_finished;  // kept results count as held only as the outcome of a finished scan
    ModuleSelection ticked;
    int scan_done_minute;
    const char* text;
    nk_color colour;
};

// Held results are 3 items of 8000 bytes, shown as everywhere else; the clean outcome is "✅ Cleaned 2.00 KB".
constexpr StatusCase CASES[] = {
    {false, false, false, false, false, {1, 1, 1, 1, 0}, -1, "🗑 Ready to scan", palette::TEXT},
    {true, false, false, false, false, {1, 1, 1, 1, 0}, -1, "⏳ Scanning...", palette::TEAL},
    {false, true, false, false, false, {1, 1, 1, 1, 0}, -1, "♻️ Cleaning...", palette::EMERALD},
    {false, false, false, true, true, {1, 0, 1, 0, 1}, 9 * 60 + 5, "🗑 3 items (7.81 KB) • Last scan 09:05", palette::TEXT},
    {false, false, false, true, true, {0, 1, 0, 0, 0}, -1, "🗑 3 items (7.81 KB)", palette::AMBER},
    {false, false, false, true, true, {0, 0, 0, 1, 0}, -1, "🗑 3 items (7.81 KB)", palette::AMBER},
    {false, false, false, true, false, {0, 1, 0, 0, 0}, -1, "🗑 3 items (7.81 KB)", palette::TEXT},
    {false, false, true, false, false, {1, 1, 1, 1, 0}, 23 * 60 + 59, "✅ Cleaned 2.00 KB • Last scan 23:59", palette::TEXT},
    {true, false, true, false, false, {1, 1, 1, 1, 0}, 23 * 60 + 59, "⏳ Scanning... • Last scan 23:59", palette::TEAL},
};

void set_state(const StatusCase& c) {
    g_gui.scanning = c.scanning;
    g_gui.cleaning = c.cleaning;
    g_gui.clean_outcome_shown = c.clean_outcome_shown;
    g_gui.scan_results.reset();
    if (c.results_kept) {
        g_gui.scan_results = std::make_unique<ScanResults>();
        g_gui.scan_results->total_items = 3;
        g_gui.scan_results->total_size = 8000;
    }
    g_gui.has_results = c.scan_finished;
    g_gui.module_selected = c.ticked;
    g_gui.scan_done_minute = c.scan_done_minute;
}

TEST(StatusLine, BusyStatesComeFirstAndHeldResultsFromCautionModulesTurnItAmber) {
    std::snprintf(g_gui.status_text, sizeof g_gui.status_text, "✅ Cleaned 2.00 KB");
    for (const StatusCase& c : CASES) {
        set_state(c);
        const StatusLine line = gui_compose_status_line();
        EXPECT_EQ(line.text, c.text);
        EXPECT_EQ(std::memcmp(&line.colour, &c.colour, sizeof c.colour), 0) << c.text;
    }
    set_state(CASES[0]);
}

}  // namespace
