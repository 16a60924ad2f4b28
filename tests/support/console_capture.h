#pragma once
// Runs code with standard output captured and standard input read from a text.

#include <functional>
#include <string>

struct ConsoleRun {
    int status = -1;
    std::string output;
};

// `input` is what the user types; an empty text means end of input at once.
ConsoleRun run_on_console(const std::function<int()>& body, const std::string& input = "");
