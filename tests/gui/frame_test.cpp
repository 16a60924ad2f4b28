#include "gui_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

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


std::string numbered_lines(int count) {
    std::string lines;
    for (int i = 0; i < count; ++i) lines += "line " + std::to_string(i) + "\n";
    return lines;
}

WindowMessage wheel(int notches) { return {WM_MOUSEWHEEL, MAKEWPARAM(0, notches * WHEEL_DELTA), 0}; }

// The wheel scrolls the box under the pointer without giving it the focus, and
// a press elsewhere leaves the view where the reader put it.
TEST_F(Frame, TheWheelScrollsAnUnfocusedLogAndAClickElsewhereKeepsItsView) {
    // The first log line drawn in the box.
    const auto top_line = [this] {
        std::string top;
        harness.visit_commands([&](const nk_command& command) {
            const auto& text = reinterpret_cast<const nk_command_text&>(command);
            if (command.type == NK_COMMAND_TEXT && top.empty() && std::string_view(text.string).starts_with("line ")) {
                top.assign(text.string, static_cast<std::size_t>(text.length));
            }
        });
        return top;
    };
    harness.click(100, 400);  // the sidebar below the check boxes: the log box loses the focus
    set_log(numbered_lines(199));
    gui_log("line 199\n");
    harness.frame();  // new text: the box shows its end
    const std::string at_end = top_line();
    EXPECT_NE(at_end, "line 0");
    harness.frame({{WM_MOUSEMOVE, 0, at(LOG_X, LOG_Y)}, wheel(2)});
    const std::string scrolled = top_line();
    EXPECT_NE(scrolled, at_end);
    EXPECT_NE(scrolled, "line 0");
    harness.type(L"z");  // not focused: typing goes nowhere
    EXPECT_EQ(log_text(), numbered_lines(200));

    harness.click(100, 400);
    EXPECT_EQ(top_line(), scrolled);
}

// Page Down held: every auto-repeated key-down scrolls one more page.
TEST_F(Frame, AHeldPageDownKeepsScrolling) {
    set_log(numbered_lines(300));
    harness.click(LOG_X, LOG_Y);
    harness.frame({key_down(VK_HOME), key_up(VK_HOME)});
    const WindowMessage repeat{WM_KEYDOWN, VK_NEXT, 0x40000001};  // bit 30: the key was already down
    harness.frame({key_down(VK_NEXT)});
    for (int i = 0; i < 3; ++i) {
        const nk_uint before = harness.edit_state().scrollbar.y;
        harness.frame({repeat});
        EXPECT_GT(harness.edit_state().scrollbar.y, before) << "repeat " << i;
    }
}


// Following new text, the last line is drawn whole inside the box, at each
// scale, and report lines start at the box's edge whatever their first
// character: Nuklear walks an emoji outside the BMP byte by byte, and the
// back end's widths must still add up to the line's.
TEST(LogBox, AFollowingLogShowsItsLastLineWholeAndItsLinesAligned) {
    for (const int dpi : {96, 144}) {
        FrameHarness harness(dpi);
        harness.click(LOG_X, LOG_Y);
        set_log(numbered_lines(100) + "📁 Temporary Files:\n⊞ Windows Update:\n");
        gui_log("Status: last\n");
        nk_command_scissor clip{};
        std::vector<int> starts;
        harness.visit_commands([&](const nk_command& command) {
            if (command.type == NK_COMMAND_SCISSOR) clip = reinterpret_cast<const nk_command_scissor&>(command);
            if (command.type != NK_COMMAND_TEXT) return;
            const auto& text = reinterpret_cast<const nk_command_text&>(command);
            const std::string_view drawn(text.string, static_cast<std::size_t>(text.length));
            if (drawn.ends_with(":") || drawn == "Status: last") starts.push_back(text.x);
            if (drawn == "Status: last") {
                EXPECT_LE(text.y + text.font->height, clip.y + clip.h) << dpi;
            }
        });
        ASSERT_EQ(starts.size(), 3u) << dpi;
        EXPECT_EQ(starts[0], starts[2]) << dpi;
        EXPECT_EQ(starts[1], starts[2]) << dpi;
    }
}

}  // namespace
