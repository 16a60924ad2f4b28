#include "engine/system_queries.h"

#include <gtest/gtest.h>

#include <string_view>

// This test program is itself a running process with a known name.
TEST(WhichProcessesRunning, AnswersEveryNameFromOneListIgnoringCase) {
    const std::string_view names[] = {"ENGINE_TESTS.EXE", "no-such-program-twk.exe", "engine_tests.exe", "engine_tests"};
    const std::vector<bool> running = which_processes_running(names);
    EXPECT_EQ(running, (std::vector<bool>{true, false, true, false}));
}
