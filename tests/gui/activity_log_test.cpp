#include "gui_harness.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

// Blank texts, null progress messages and the driver's percentages append
// nothing; one append is cut to 1023 bytes; the modules' per-item messages
// become lines.
TEST_F(ActivityLog, AppendsKeepTextWholeWithinTheirLimits) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"\n", "   ", "\r\n", "", " \t"}, ""},
        {{"  kept whole  \n"}, "  kept whole  \n"},
        {{std::string(2000, 'x')}, std::string(1023, 'x')},
    };
    for (const auto& [appends, expected] : cases) {
        SetUp();
        gui_progress(50.0f, nullptr);
        gui_progress(50.0f, "Cleaning files...");
        for (const std::string& text : appends) gui_log("%s", text.c_str());
        EXPECT_EQ(log_text(), expected);
        EXPECT_EQ(g_gui.log_dirty, !expected.empty()) << expected;
        EXPECT_EQ(g_gui.log_follow, !expected.empty()) << expected;
        EXPECT_EQ(g_gui.activity_log[expected.size()], '\0');
    }
    SetUp();
    gui_progress(-1.0f, "[+] Cleaned: a.log");
    EXPECT_EQ(log_text(), "[+] Cleaned: a.log\n");
}

// However long a clean's report, a full log drops whole lines from its start
// and keeps at least the last megabyte, so the summary at the end shows.
TEST_F(ActivityLog, AFullLogKeepsItsLastMegabyteFromALineStart) {
    const std::string line = std::string(99, 'p') + "\n";
    for (int i = 0; i < 2 * ACTIVITY_LOG_CAPACITY / 100; ++i) gui_log("%s", line.c_str());
    gui_log("Clean completed in 1.0 seconds\n");
    const std::string log = log_text();
    EXPECT_GE(log.size(), static_cast<std::size_t>(ACTIVITY_LOG_KEEP));
    EXPECT_LT(log.size(), static_cast<std::size_t>(ACTIVITY_LOG_LIMIT));
    EXPECT_EQ(log.substr(0, line.size()), line);
    EXPECT_TRUE(log.ends_with("p\nClean completed in 1.0 seconds\n"));
}

}  // namespace
