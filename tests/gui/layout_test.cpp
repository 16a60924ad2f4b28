#include "gui_harness.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

namespace {

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        g_gui.scanning = g_gui.cleaning = g_gui.has_results = false;
        g_gui.scan_results.reset();
        set_log("x");
    }
};

// Every label of the frame and `more` (by default the idle status line), each
// drawn whole and no wider than the rectangle Nuklear gave it: a cut label is
// drawn as a shorter prefix of itself, or not at all when its widget falls
// outside the window.
void expect_labels_whole(FrameHarness& harness, const std::string& where, std::initializer_list<const char*> more = {"🗑 Ready to scan"}) {
    std::map<std::string, bool> seen = {{LABEL_MODULES, false}, {LABEL_SELECT_ALL, false}, {LABEL_ACTIVITY_LOG, false},
                                        {LABEL_SCAN, false},    {LABEL_CLEAN, false}};
    for (const GuiModule& module : GUI_MODULES) seen[module.module->window_label] = false;
    for (const char* label : more) seen[label] = false;
    harness.visit_commands([&](const nk_command& command) {
        if (command.type != NK_COMMAND_TEXT) return;
        const auto& text = reinterpret_cast<const nk_command_text&>(command);
        const std::string_view drawn(text.string, static_cast<std::size_t>(text.length));
        for (auto& [label, found] : seen) {
            if (!label.starts_with(drawn) || (drawn != label && seen.contains(std::string(drawn)))) continue;
            EXPECT_EQ(drawn, label) << where;
            const float width = text.font->width(text.font->userdata, text.font->height, text.string, text.length);
            EXPECT_LE(width, static_cast<float>(text.w)) << label << ' ' << where;
            found = true;
        }
    });
    for (const auto& [label, found] : seen) EXPECT_TRUE(found) << label << " missing " << where;
}

TEST_F(Layout, AtEveryScaleEveryLabelIsWholeInTheFullWindowAndAtTheMinimumSize) {
    for (const int dpi : {96, 120, 144, 192}) {
        FrameHarness harness(dpi);
        const std::string at = "at " + std::to_string(dpi) + " dpi";
        expect_labels_whole(harness, at);
        const SIZE minimum = g_gui.metrics.minimum_client;
        EXPECT_LT(minimum.cx, gui_scale(GUI_WIDTH, dpi)) << at;
        EXPECT_LT(minimum.cy, gui_scale(GUI_HEIGHT, dpi)) << at;
        harness.resize(minimum);
        expect_labels_whole(harness, at + ", minimum size");
    }
}

// The items view's headers, its "Keep this copy" (the cursor on a duplicate
// copy) and the confirmation over it scale with the rest, and stay whole at
// the minimum size.
TEST_F(Layout, AtEveryScaleTheItemsViewAndTheConfirmationAreWhole) {
    const auto group = std::make_shared<const DuplicateGroup>(DuplicateGroup{.number = 1, .kept_path = "C:\\k"});
    g_gui.running = true;
    for (const int dpi : {96, 120, 144, 192}) {
        FrameHarness harness(dpi);
        g_gui.scan_results.reset(new ScanResults{.items = {{.path = "C:\\c", .description = "[duplicate_finder] Copy", .duplicate_group = group}}});
        g_gui.results_generation += 1;
        g_gui.confirming = false;  // the last scale's question
        harness.frame();
        gui_window_proc(nullptr, WM_KEYDOWN, VK_DOWN, 1);  // from the group's line to the copy
        g_gui.confirming = true;
        g_gui.confirmation_text = "Clean 1 item (1.00 KB)? 1 goes to the Recycle Bin.";
        harness.frame();  // the dialog opens
        const std::string at = "at " + std::to_string(dpi) + " dpi";
        const auto labels = {"Module", "Path", "Size", "Modified", "State", LABEL_KEEP_COPY, "Clean", "Cancel",
                             "Clean 1 item (1.00 KB)?", "🗑 0 items (0 B)"};
        expect_labels_whole(harness, at, labels);
        harness.resize(g_gui.metrics.minimum_client);
        expect_labels_whole(harness, at + ", minimum size", labels);
    }
    g_gui.confirming = g_gui.running = false;
    g_gui.view = ContentView::LOG;
}

// Wine never sends WM_DPICHANGED: the window procedure gets it here as
// Windows would send it on a move to a 144 dpi monitor. (Without a display
// there is no top-level window to see moved to the suggested rectangle.)
TEST_F(Layout, ADpiChangeRebuildsFontMetricsStyleAndTheMinimumSize) {
    FrameHarness harness(96);
    RECT suggested{40, 30, 40 + 1370, 30 + 940};
    gui_window_proc(harness.window(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));

    EXPECT_EQ(g_gui.metrics.dpi, 144);
    EXPECT_EQ(g_gui.ui->style.font->height, static_cast<float>(g_gui.font->height));
    EXPECT_GE(g_gui.font->height, 20);  // a 21-pixel font
    EXPECT_EQ(g_gui.metrics.log_reserve, 180);
    EXPECT_EQ(g_gui.ui->style.window.group_padding.x, 15.0f);

    MINMAXINFO limits{};
    gui_window_proc(harness.window(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_GT(limits.ptMinTrackSize.x, g_gui.metrics.minimum_client.cx);
    EXPECT_GT(limits.ptMinTrackSize.y, g_gui.metrics.minimum_client.cy);
}

}  // namespace
