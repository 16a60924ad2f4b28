#include "app/entry.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace {

bool console_chosen(std::initializer_list<const char*> words) {
    std::vector<const char*> argv{"twk.exe"};
    argv.insert(argv.end(), words);
    return wants_command_line(static_cast<int>(argv.size()), argv.data());
}

TEST(FrontEndSelection, CommandWordsAndConsoleOptionsChooseTheConsole) {
    for (const char* word : {"scan", "clean", "list-modules", "config"}) EXPECT_TRUE(console_chosen({word})) << word;
    for (const char* option : {"--no-gui", "--help", "-h", "--version", "-v"}) {
        EXPECT_TRUE(console_chosen({option})) << option;
    }
    EXPECT_TRUE(console_chosen({"foo", "scan"}));
    EXPECT_TRUE(console_chosen({"help", "--no-gui"}));
}

TEST(FrontEndSelection, EverythingElseOpensTheWindow) {
    EXPECT_FALSE(console_chosen({}));
    EXPECT_FALSE(wants_command_line(0, nullptr));
    for (const char* word : {"foo", "help", "version", "--dry-run", "--force", "-f", "--quiet", "-q", "--verbose", "Scan",
                             "-scan", "--enable-registry", "--json"}) {
        EXPECT_FALSE(console_chosen({word})) << word;
    }
}

}  // namespace
