#include "gui_harness.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class ActivityLog : public ::testing::Test {
protected:
    void SetUp() override {
        set_log("");
        std::lock_guard guard(g_gui.log_lock);
        g_gui.log_dirty = false;
        g_gui.log_follow = false;
    }
};

TEST_F(ActivityLog, BlankTextsAppendNothingAndAskForNothing) {
    gui_log("\n");
    gui_log("   ");
    gui_log("\r\n");
    gui_log("%s", "");
    gui_log(" \t");
    EXPECT_EQ(log_text(), "");
    EXPECT_FALSE(g_gui.log_dirty);
    EXPECT_FALSE(g_gui.log_follow);

    gui_log("  %s  \n", "kept whole");
    EXPECT_EQ(log_text(), "  kept whole  \n");
    EXPECT_TRUE(g_gui.log_dirty);
    EXPECT_TRUE(g_gui.log_follow);
}

TEST_F(ActivityLog, OneAppendIsCutTo1023Bytes) {
    const std::string long_text(2000, 'x');
    gui_log("%s", long_text.c_str());
    EXPECT_EQ(log_text(), long_text.substr(0, 1023));
}

TEST_F(ActivityLog, AppendsStopAt8190BytesAndAFullLogDropsTheRest) {
    const std::string block(1000, 'a');
    for (int i = 0; i < 8; ++i) gui_log("%s", block.c_str());
    gui_log("%s", std::string(500, 'b').c_str());  // 190 bytes fit
    EXPECT_EQ(log_text().size(), 8190u);
    EXPECT_EQ(log_text().substr(8000), std::string(190, 'b'));

    gui_log("more\n");
    EXPECT_EQ(log_text().size(), 8190u);
    EXPECT_EQ(g_gui.activity_log[8190], '\0');
}

TEST_F(ActivityLog, ProgressMessagesBecomeLinesAndNullIsIgnored) {
    gui_progress(-1.0f, "[+] Cleaned: C:\\t\\a.log");
    gui_progress(50.0f, nullptr);
    gui_progress(100.0f, "Clean complete");
    EXPECT_EQ(log_text(), "[+] Cleaned: C:\\t\\a.log\nClean complete\n");
}

}  // namespace
