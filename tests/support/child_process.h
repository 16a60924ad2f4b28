#pragma once
// Starts Windows programs the way a user's shell would, but with an
// environment block the test controls, and captures their standard output.

#include <map>
#include <string>
#include <vector>

struct ProcessResult {
    int exit_code = -1;
    std::string output;  // standard output and error, CRLF turned into LF
    std::string error;   // standard error alone, when asked for apart
    bool timed_out = false;
};

// Variables that replace (or add to) the test program's own environment.
using EnvironmentOverrides = std::map<std::string, std::string>;

struct ProcessOptions {
    EnvironmentOverrides environment;
    std::string input;                 // written to standard input, which is then closed
    unsigned timeout_ms = 60000;
    std::string working_directory;     // empty: the test's own
    bool separate_error = false;       // standard error into `error` instead of `output`
};

// Runs `exe` with `args` until it exits. Output is read until the process
// ends, not until end of file: Wine's services may keep an inherited pipe open.
ProcessResult run_process(const std::string& exe, const std::vector<std::string>& args,
                          const ProcessOptions& options = {});

// A second program that runs beside the test (a lock holder, a fake browser):
// started with its standard input on a pipe, ended by closing that pipe, and
// terminated by its handle if it does not exit.
class BackgroundProcess {
public:
    BackgroundProcess(const std::string& exe, const std::vector<std::string>& args);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    // Waits until the program has written `text`; false on timeout or exit.
    bool wait_for_output(const std::string& text, unsigned timeout_ms = 10000);
    unsigned long pid() const { return pid_; }

private:
    void* process_ = nullptr;
    void* input_ = nullptr;
    void* output_ = nullptr;
    unsigned long pid_ = 0;
    std::string seen_;
};

// The path of twk.exe under test (from TWK_EXE, a Unix path) as Windows sees it.
std::string twk_exe_path();
// A test tool built beside the tests (lock holder, fake browser), by file name.
std::string test_tool_path(const std::string& file_name);

// Turns a Unix path into the Z: drive path Wine shows for it.
std::string windows_path_of(const std::string& unix_path);
