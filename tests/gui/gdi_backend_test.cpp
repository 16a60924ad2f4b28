#include "gui_harness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class LogBoxInput : public ::testing::Test {
protected:
    void SetUp() override {
        g_gui.scanning = g_gui.cleaning = false;
        set_log("Scan report\n");
        harness.frame();
    }
    FrameHarness harness;
};

TEST_F(LogBoxInput, TypedCharactersGoWhereTheClickPutTheCursorAndControlCharactersAreIgnored) {
    harness.click(LOG_X, LOG_Y);
    harness.type(L"ok \u00FC");
    EXPECT_EQ(harness.frame({{WM_CHAR, 8, 1}, {WM_CHAR, 3, 1}}), 0);  // backspace and Ctrl+C as characters
    EXPECT_EQ(log_text(), "Scan report\nok \xC3\xBC");
    harness.frame({key_down(VK_BACK), key_up(VK_BACK)});
    EXPECT_EQ(log_text(), "Scan report\nok ");
}

// The window's end-to-end test reads the log back through Control+A, Control+C;
// here the copy comes back through the system clipboard with Control+V.
TEST_F(LogBoxInput, SelectAllCopyAndPasteRoundTripThroughTheSystemClipboard) {
    harness.click(LOG_X, LOG_Y);
    harness.control_key('A');
    harness.control_key('C');
    EXPECT_EQ(GetClipboardOwner(), harness.window());
    harness.click(LOG_X, LOG_Y);  // drops the selection, cursor at the end
    harness.control_key('V');
    EXPECT_EQ(log_text(), "Scan report\nScan report\n");

    // Without Control the letters are plain characters.
    EXPECT_EQ(harness.frame({key_down('V')}), 0);
    harness.frame({key_up('V')});

    // Control let go before the letter: the release still frees select-all for the next time.
    hold_control(true);
    harness.frame({key_down('A')});
    hold_control(false);
    harness.frame({key_up('A')});
    EXPECT_FALSE(g_gui.ui->input.keyboard.keys[NK_KEY_TEXT_SELECT_ALL].down);
}

TEST_F(LogBoxInput, DoubleClickPressesOnlyTheDoubleButtonTheSecondTime) {
    harness.click(LOG_X, LOG_Y);
    nk_input_begin(g_gui.ui);
    gdi_backend_handle_event(nullptr, WM_LBUTTONDBLCLK, MK_LBUTTON, at(LOG_X, LOG_Y));
    EXPECT_TRUE(g_gui.ui->input.mouse.buttons[NK_BUTTON_DOUBLE].down);
    EXPECT_FALSE(g_gui.ui->input.mouse.buttons[NK_BUTTON_LEFT].down);
    gdi_backend_handle_event(nullptr, WM_LBUTTONUP, 0, at(LOG_X, LOG_Y));
    EXPECT_FALSE(g_gui.ui->input.mouse.buttons[NK_BUTTON_DOUBLE].down);
    nk_input_end(g_gui.ui);
    harness.frame();
    harness.type(L"!");  // still focused, nothing selected
    EXPECT_EQ(log_text(), "Scan report\n!");
}

// This Nuklear's text box keeps its scroll bar out of key and wheel
// scrolling: the page keys reach Nuklear but only cursor moves scroll the box.
TEST_F(LogBoxInput, PageKeysReachNuklearWhileHomeAndEndScrollTheBox) {
    std::string lines;
    for (int i = 0; i < 200; ++i) lines += "line " + std::to_string(i) + "\n";
    set_log(lines);
    harness.frame();
    Sleep(2100);  // let the box stop following the end of the new text
    harness.click(LOG_X, 60);

    for (const auto& [key, scrolled] : {std::pair<WPARAM, bool>{VK_END, true}, {VK_HOME, false}}) {
        harness.frame({key_down(key), key_up(key)});
        harness.frame();
        EXPECT_EQ(harness.edit_state().scrollbar.y > 0, scrolled) << key;
    }

    nk_input_begin(g_gui.ui);
    EXPECT_EQ(gdi_backend_handle_event(nullptr, WM_KEYDOWN, VK_NEXT, 1), 1);
    EXPECT_TRUE(g_gui.ui->input.keyboard.keys[NK_KEY_SCROLL_DOWN].down);
    EXPECT_EQ(gdi_backend_handle_event(nullptr, WM_KEYDOWN, VK_PRIOR, 1), 1);
    EXPECT_TRUE(g_gui.ui->input.keyboard.keys[NK_KEY_SCROLL_UP].down);
    EXPECT_EQ(gdi_backend_handle_event(nullptr, WM_KEYDOWN, VK_DOWN, 1), 0);  // arrows are not translated
    nk_input_end(g_gui.ui);
    harness.frame({key_up(VK_NEXT), key_up(VK_PRIOR)});
    EXPECT_EQ(log_text(), lines);
}

}  // namespace
