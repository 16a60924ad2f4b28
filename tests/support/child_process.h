#pragma once
// Starts Windows programs the way a user's shell would, but with an
// environment block the test controls, and captures their standard output.

#include "engine/win32_handle.h"

#include <map>
#include <string>
#include <vector>

struct ProcessResult {
    int exit_code = -1;
    std::string output;  // standard output and error, CRLF turned into LF
    std::string error;   // standard error alone, when asked for apart
};

// Variables that replace (or add to) the test program's own environment.
using EnvironmentOverrides = std::map<std::string, std::string>;
// An override's value that leaves the variable out altogether.
inline const std::string UNSET_VARIABLE(1, '\x01');

struct ProcessOptions {
    EnvironmentOverrides environment;
    std::string input;                 // written to standard input at the start
    std::string working_directory;     // empty: the test's own
    bool separate_error = false;       // standard error into `error` instead of `output`
};

// A program running beside the test (a lock holder, a fake browser, twk.exe
// itself). Its output is read while it runs, not until end of file: Wine's
// services may keep an inherited pipe open. Closing its standard input asks
// it to finish; it is terminated if it does not.
class BackgroundProcess {
public:
    BackgroundProcess(const std::string& exe, const std::vector<std::string>& args, const ProcessOptions& options = {});
    ~BackgroundProcess() { finish(5000); }
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // Waits until the program has written `text`; false on timeout or exit.
    // With no text, waits for the exit; false on timeout.
    bool wait_for_output(const std::string& text, unsigned timeout_ms = 10000);
    // Writes to the program's standard input now.
    void write_input(const std::string& text);
    // Closes standard input and waits for the exit; everything written so far.
    ProcessResult finish(unsigned timeout_ms);

private:
    UniqueHandle process_, input_, output_, error_;
    std::string seen_, seen_error_;
};

// Runs `exe` with `args` until it exits, ending it after a minute.
ProcessResult run_process(const std::string& exe, const std::vector<std::string>& args,
                          const ProcessOptions& options = {});

// `text` with every `from` replaced by `to` (CRLF by LF, for one).
std::string replace_all(std::string text, const std::string& from, const std::string& to);

// The path of twk.exe under test (from TWK_EXE, a Unix path) as Windows sees it.
std::string twk_exe_path();
// A test tool built beside the tests (lock holder, fake browser), by file name.
std::string test_tool_path(const std::string& file_name);
// A file below a directory named by an environment variable holding a Unix path, as Windows sees it.
std::string windows_path_in(const char* variable, const std::string& relative = "");
