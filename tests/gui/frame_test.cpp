#include "gui_harness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Client points of the 900x600 layout.
constexpr int SELECT_ALL_X = 117, SELECT_ALL_Y = 56;
constexpr int CLEAN_X = 385, CLEAN_Y = 540;
constexpr int REGISTRY_BOX_X = 29, REGISTRY_BOX_Y = 207;

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        g_gui.scanning = g_gui.cleaning = g_gui.has_results = false;
        g_gui.result_items = 0;
        g_gui.module_selected = {1, 1, 1, 1, 0};
        set_log("");
    }
    void TearDown() override { g_gui.scanning = false; }
    FrameHarness harness;
};

TEST_F(Frame, AnEmptyLogShowsTheWelcomeTextOnlyWhileNoWorkerRuns) {
    g_gui.scanning = true;  // a scan has just emptied the log
    harness.frame();
    EXPECT_EQ(log_text(), "");
    g_gui.scanning = false;
    harness.frame();
    EXPECT_EQ(log_text().rfind("Ready to scan. Select modules on the left and click 'Scan' to start.\n\n", 0), 0u);
    EXPECT_NE(log_text().find("• Registry - Clean invalid registry entries"), std::string::npos);
}

TEST_F(Frame, TheGreyCleanButtonExplainsItselfWhenPressed) {
    set_log("report\n");
    harness.frame();
    harness.click(CLEAN_X, CLEAN_Y);
    EXPECT_EQ(log_text(), "report\n⚠ Clean button is disabled. Please scan first.\n");
}

TEST_F(Frame, SelectAllTicksEveryModuleAndCheckBoxesToggleTheirOwn) {
    harness.frame();
    harness.click(REGISTRY_BOX_X, REGISTRY_BOX_Y);
    EXPECT_EQ(g_gui.module_selected[4], 1);
    harness.click(REGISTRY_BOX_X, REGISTRY_BOX_Y);
    EXPECT_EQ(g_gui.module_selected[4], 0);
    g_gui.module_selected[1] = 0;
    harness.click(SELECT_ALL_X, SELECT_ALL_Y);
    EXPECT_EQ(g_gui.module_selected, (std::array<int, GUI_MODULE_COUNT>{1, 1, 1, 1, 1}));
}

TEST_F(Frame, TheWheelAndScrollKeysMoveTheViewNotTheCaretWhileHomeStillMovesTheCaret) {
    std::string text;
    for (int i = 1; i <= 100; ++i) text += "line " + std::to_string(i) + "\n";
    set_log(text);
    harness.frame({{WM_MOUSEMOVE, 0, at(LOG_X, LOG_Y)}});
    // The view offset after one frame with this input; each frame ends settled, as the box clamps next frame.
    auto view_after = [&](std::initializer_list<WindowMessage> input, bool control = false) {
        hold_control(control);
        harness.frame(input);
        hold_control(false);
        harness.frame();
        return harness.edit_state().scrollbar.y;
    };
    const WindowMessage wheel_down{WM_MOUSEWHEEL, static_cast<WPARAM>(MAKEWPARAM(0, -WHEEL_DELTA)), 0};
    const nk_uint one_notch = view_after({wheel_down});
    const int caret = harness.edit_state().cursor;
    EXPECT_GT(one_notch, 0u);
    const nk_uint page_further = view_after({key_down(VK_NEXT), key_up(VK_NEXT)});
    EXPECT_GT(page_further, one_notch);
    EXPECT_EQ(view_after({key_down(VK_PRIOR), key_up(VK_PRIOR)}), one_notch);
    EXPECT_GT(view_after({key_down(VK_END), key_up(VK_END)}, true), page_further);
    EXPECT_EQ(view_after({key_down(VK_HOME), key_up(VK_HOME)}, true), 0u);
    EXPECT_EQ(harness.edit_state().cursor, caret);
    view_after({key_down(VK_HOME), key_up(VK_HOME)});
    EXPECT_EQ(harness.edit_state().cursor, 0);
}

TEST_F(Frame, ShortcutsDoNothingOnceTheLoopHasEnded) {
    g_gui.running = false;  // the teardown still dispatches messages while it waits
    g_gui.scan_thread.reset();
    EXPECT_EQ(gui_window_proc(nullptr, WM_KEYDOWN, VK_F5, 1), 0);
    EXPECT_FALSE(g_gui.scanning);
    EXPECT_FALSE(g_gui.scan_thread);
}

}  // namespace
