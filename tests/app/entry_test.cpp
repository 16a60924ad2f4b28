#include "app/entry.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

bool console_chosen(std::vector<const char*> argv) {
    argv.insert(argv.begin(), "twk.exe");
    return wants_command_line(static_cast<int>(argv.size()), argv.data());
}

TEST(FrontEndSelection, CommandWordsAndConsoleOptionsChooseTheConsoleAllElseTheWindow) {
    // An option twk does not know is reported by the console, never ignored by the window.
    for (const char* word : {"scan", "clean", "list-modules", "config", "--no-gui", "--help", "-h", "--version", "-v",
                             "--dryrun", "-scan", "--dup-path", "--json=yes"}) {
        EXPECT_TRUE(console_chosen({word})) << word;
    }
    for (const char* word : {"foo", "help", "version", "--dry-run", "--force", "-f", "--quiet", "-q", "--verbose", "Scan", "-",
                             "--enable-registry", "--json", "--exclude=C:\\x", "--dup-path=D:\\", "--modules=temp_files"}) {
        EXPECT_FALSE(console_chosen({word})) << word;
    }
    EXPECT_TRUE(console_chosen({"foo", "scan"}));
    EXPECT_TRUE(console_chosen({"help", "--no-gui"}));
    EXPECT_FALSE(console_chosen({}));
    EXPECT_FALSE(wants_command_line(0, nullptr));
}

}  // namespace
