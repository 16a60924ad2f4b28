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

// Blank texts and null progress messages append nothing and ask for no
// repaint; one append is cut to 1023 bytes; appends stop at 8190 bytes and a
// full log drops the rest. The clean report shows progress messages as lines.
TEST_F(ActivityLog, AppendsKeepTextWholeWithinTheirLimits) {
    std::vector<std::string> filling(8, std::string(1000, 'a'));
    filling.insert(filling.end(), {std::string(500, 'b'), "more\n"});
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"\n", "   ", "\r\n", "", " \t"}, ""},
        {{"  kept whole  \n"}, "  kept whole  \n"},
        {{std::string(2000, 'x')}, std::string(1023, 'x')},
        {filling, std::string(8000, 'a') + std::string(190, 'b')},
    };
    for (const auto& [appends, expected] : cases) {
        SetUp();
        gui_progress(50.0f, nullptr);
        for (const std::string& text : appends) gui_log("%s", text.c_str());
        EXPECT_EQ(log_text(), expected);
        EXPECT_EQ(g_gui.log_dirty, !expected.empty()) << expected;
        EXPECT_EQ(g_gui.log_follow, !expected.empty()) << expected;
        EXPECT_EQ(g_gui.activity_log[expected.size()], '\0');
    }
}

}  // namespace
