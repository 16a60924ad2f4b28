#include "app/entry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool console_chosen(std::vector<const char*> argv) {
    argv.insert(argv.begin(), "twk.exe");
    return wants_command_line(static_cast<int>(argv.size()), argv.data());
}

TEST(FrontEndSelection, CommandWordsAndConsoleOptionsChooseTheConsoleAllElseTheWindow) {
    for (const char* word : {"scan", "clean", "list-modules", "config", "--no-gui", "--help", "-h", "--version", "-v"}) {
        EXPECT_TRUE(console_chosen({word})) << word;
    }
    for (const char* word : {"foo", "help", "version", "--dry-run", "--force", "-f", "--quiet", "-q", "--verbose", "Scan",
                             "-scan", "--enable-registry", "--json"}) {
        EXPECT_FALSE(console_chosen({word})) << word;
    }
    EXPECT_TRUE(console_chosen({"foo", "scan"}));
    EXPECT_TRUE(console_chosen({"help", "--no-gui"}));
    EXPECT_FALSE(console_chosen({}));
    EXPECT_FALSE(wants_command_line(0, nullptr));
}

}  // namespace
