#include "gui/status_line.h"

#include "gui/gui_state.h"

#include <gtest/gtest.h>

namespace {

bool same(nk_color a, nk_color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

constexpr nk_color IDLE = {229, 231, 235, 255};
constexpr nk_color CAUTION = {245, 158, 11, 255};

class StatusLineTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        g_gui.scanning = g_gui.cleaning = g_gui.has_results = false;
        g_gui.clean_outcome_shown = false;
        g_gui.scan_results.reset();
        g_gui.scan_done_minute = -1;
        g_gui.module_selected = {1, 1, 1, 1, 0};
    }
    static void hold(std::uint64_t items, std::uint64_t bytes) {
        g_gui.scan_results = std::make_unique<ScanResults>();
        g_gui.scan_results->total_items = items;
        g_gui.scan_results->total_size = bytes;
        g_gui.has_results = true;
    }
};

TEST_F(StatusLineTest, BusyStatesComeFirstInTheirOwnColours) {
    EXPECT_EQ(gui_compose_status_line().text, "🗑 Ready to scan");
    EXPECT_TRUE(same(gui_compose_status_line().colour, IDLE));
    g_gui.scanning = true;
    EXPECT_EQ(gui_compose_status_line().text, "⏳ Scanning...");
    EXPECT_TRUE(same(gui_compose_status_line().colour, nk_color{20, 184, 166, 255}));
    g_gui.scanning = false;
    g_gui.cleaning = true;
    EXPECT_EQ(gui_compose_status_line().text, "♻️ Cleaning...");
    EXPECT_TRUE(same(gui_compose_status_line().colour, nk_color{16, 185, 129, 255}));
}

TEST_F(StatusLineTest, HeldResultsShowCountAndMegabytesAndTheLastScanTime) {
    hold(3, 3 * 1048576 / 2);
    g_gui.module_selected = {1, 0, 1, 0, 0};
    g_gui.scan_done_minute = 9 * 60 + 5;
    const StatusLine line = gui_compose_status_line();
    EXPECT_EQ(line.text, "🗑 3 items (1.5 MB) • Last scan 09:05");
    EXPECT_TRUE(same(line.colour, IDLE));
}

TEST_F(StatusLineTest, BrowserOrDuplicateSelectionWithHeldResultsTurnsTheLineAmber) {
    hold(1, 10);
    g_gui.module_selected = {0, 1, 0, 0, 0};
    EXPECT_TRUE(same(gui_compose_status_line().colour, CAUTION));
    g_gui.module_selected = {0, 0, 0, 1, 0};
    EXPECT_TRUE(same(gui_compose_status_line().colour, CAUTION));
    g_gui.has_results = false;  // results kept, but not as the outcome of a finished scan
    EXPECT_TRUE(same(gui_compose_status_line().colour, IDLE));
}

TEST_F(StatusLineTest, AFinishedCleanShowsItsOutcomeUntilTheNextScan) {
    std::snprintf(g_gui.status_text, sizeof g_gui.status_text, "✅ Cleaned 2.00 KB");
    g_gui.clean_outcome_shown = true;
    g_gui.scan_done_minute = 23 * 60 + 59;
    EXPECT_EQ(gui_compose_status_line().text, "✅ Cleaned 2.00 KB • Last scan 23:59");
    g_gui.scanning = true;
    EXPECT_EQ(gui_compose_status_line().text, "⏳ Scanning... • Last scan 23:59");
}

}  // namespace
