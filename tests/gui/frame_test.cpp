#include "gui_harness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Client points of the 900x600 layout.
constexpr int SELECT_ALL_X = 117, SELECT_ALL_Y = 56;
constexpr int CLEAN_X = 385, CLEAN_Y = 516;
constexpr int REGISTRY_BOX_X = 29, REGISTRY_BOX_Y = 207;

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        g_gui.scanning = g_gui.cleaning = g_gui.has_results = false;
        g_gui.module_selected = {1, 1, 1, 1, 0};
        set_log("");
    }
    FrameHarness harness;
};

// The welcome text fills an empty log only while no worker runs; a press on
// the grey Clean button adds why it does nothing.
TEST_F(Frame, TheLogWelcomesWhileIdleAndExplainsTheGreyCleanButton) {
    g_gui.scanning = true;  // a scan has just emptied the log
    harness.frame();
    EXPECT_EQ(log_text(), "");
    g_gui.scanning = false;
    harness.frame();
    const std::string welcome = log_text();
    EXPECT_EQ(welcome.rfind("Ready to scan. Select modules on the left and click 'Scan' to start.\n\n", 0), 0u);
    EXPECT_NE(welcome.find("• Registry - Clean invalid registry entries"), std::string::npos);
    harness.click(CLEAN_X, CLEAN_Y);
    EXPECT_EQ(log_text(), welcome + "⚠ Clean button is disabled. Please scan first.\n");
}

TEST_F(Frame, SelectAllTicksEveryModuleAndCheckBoxesToggleTheirOwn) {
    harness.frame();
    harness.click(REGISTRY_BOX_X, REGISTRY_BOX_Y);
    EXPECT_EQ(g_gui.module_selected[4], 1);
    harness.click(REGISTRY_BOX_X, REGISTRY_BOX_Y);
    EXPECT_EQ(g_gui.module_selected[4], 0);
    harness.click(SELECT_ALL_X, SELECT_ALL_Y);
    EXPECT_EQ(g_gui.module_selected, (std::array<int, GUI_MODULE_COUNT>{1, 1, 1, 1, 1}));
}

TEST_F(Frame, AReaderScrollHoldsAgainstTheFollowWindowUntilNewTextArrives) {
    set_log(std::string(100, '\n'));
    harness.click(LOG_X, LOG_Y);  // new text: the box shows the end
    const nk_uint end = harness.edit_state().scrollbar.y;
    harness.frame({key_down(VK_PRIOR), key_up(VK_PRIOR)});
    harness.frame();
    EXPECT_LT(harness.edit_state().scrollbar.y, end);
    gui_log("more\n");
    harness.frame();
    EXPECT_GT(harness.edit_state().scrollbar.y, end);
}

TEST_F(Frame, ShortcutsDoNothingOnceTheLoopHasEnded) {
    g_gui.running = false;  // the teardown still dispatches messages while it waits
    g_gui.scan_thread.reset();
    EXPECT_EQ(gui_window_proc(nullptr, WM_KEYDOWN, VK_F5, 1), 0);
    EXPECT_FALSE(g_gui.scanning);
    EXPECT_FALSE(g_gui.scan_thread);
}

}  // namespace
