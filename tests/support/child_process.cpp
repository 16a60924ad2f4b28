#include "support/child_process.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

// The test's own environment with the overrides in place of its variables of
// the same name (names compare without case), as a double-NUL-terminated block.
std::string environment_block(const EnvironmentOverrides& overrides) {
    std::string result;
    char* block = GetEnvironmentStringsA();
    for (const char* entry = block; *entry; entry += std::strlen(entry) + 1) {
        const bool replaced = std::any_of(overrides.begin(), overrides.end(), [&](const auto& variable) {
            return _strnicmp(entry, (variable.first + "=").c_str(), variable.first.size() + 1) == 0;
        });
        if (!replaced) result.append(entry).push_back('\0');
    }
    FreeEnvironmentStringsA(block);
    for (const auto& [name, value] : overrides) {
        if (value != UNSET_VARIABLE) result.append(name + "=" + value).push_back('\0');
    }
    return result + '\0';
}

// The runtime's rules: backslashes are literal unless they come before a
// quote (or the closing one), where each must be doubled.
std::string quote(const std::string& argument) {
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
        } else {
            if (c == '"') quoted.append(backslashes + 1, '\\');
            backslashes = 0;
        }
        quoted += c;
    }
    return quoted.append(backslashes, '\\') + "\"";
}

// The test's end of a new pipe, not inherited, and the child's end, inherited.
std::pair<UniqueHandle, UniqueHandle> make_pipe(bool child_reads) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
    UniqueHandle ours(child_reads ? write : read), theirs(child_reads ? read : write);
    SetHandleInformation(ours.get(), HANDLE_FLAG_INHERIT, 0);
    return {std::move(ours), std::move(theirs)};
}

void drain(HANDLE pipe, std::string& sink) {
    DWORD available = 0;
    while (pipe && PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0) return;
        sink.append(buffer, got);
    }
}

}  // namespace

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

BackgroundProcess::BackgroundProcess(const std::string& exe, const std::vector<std::string>& args,
                                     const ProcessOptions& options) {
    auto [input, child_input] = make_pipe(true);
    auto [output, child_output] = make_pipe(false);
    std::pair<UniqueHandle, UniqueHandle> error;
    if (options.separate_error) error = make_pipe(false);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = child_input.get();
    startup.hStdOutput = child_output.get();
    startup.hStdError = error.second ? error.second.get() : child_output.get();
    std::string command_line = quote(exe);
    for (const std::string& arg : args) command_line += " " + quote(arg);
    std::string environment = environment_block(options.environment);
    const char* directory = options.working_directory.empty() ? nullptr : options.working_directory.c_str();
    PROCESS_INFORMATION info{};
    if (!CreateProcessA(exe.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, environment.data(), directory,
                        &startup, &info)) {
        throw std::runtime_error("cannot start " + exe);
    }
    CloseHandle(info.hThread);
    process_.reset(info.hProcess);
    input_ = std::move(input);
    output_ = std::move(output);
    error_ = std::move(error.first);
    write_input(options.input);
}

void BackgroundProcess::write_input(const std::string& text) {
    DWORD written = 0;
    if (!text.empty()) WriteFile(input_.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

// Reads output until `text` shows (if given), the program exits, or time runs out.
bool BackgroundProcess::wait_for_output(const std::string& text, unsigned timeout_ms) {
    const DWORD started = GetTickCount();
    for (;;) {
        const bool exited = WaitForSingleObject(process_.get(), 10) != WAIT_TIMEOUT;
        drain(output_.get(), seen_);
        drain(error_.get(), seen_error_);
        if (!text.empty() && seen_.find(text) != std::string::npos) return true;
        if (exited || GetTickCount() - started > timeout_ms) return exited && text.empty();
    }
}

ProcessResult BackgroundProcess::finish(unsigned timeout_ms) {
    ProcessResult result;
    if (!process_) return result;
    input_.reset();  // end of input
    if (!wait_for_output("", timeout_ms)) TerminateProcess(process_.get(), 259);
    WaitForSingleObject(process_.get(), 5000);
    DWORD code = 0;
    GetExitCodeProcess(process_.get(), &code);
    process_.reset();
    result.exit_code = static_cast<int>(code);
    result.output = replace_all(seen_, "\r\n", "\n");
    result.error = replace_all(seen_error_, "\r\n", "\n");
    return result;
}

ProcessResult run_process(const std::string& exe, const std::vector<std::string>& args,
                          const ProcessOptions& options) {
    return BackgroundProcess(exe, args, options).finish(60000);
}

std::string windows_path_in(const char* variable, const std::string& relative) {
    const char* unix_path = std::getenv(variable);
    if (!unix_path) throw std::runtime_error(std::string(variable) + " is not set");
    std::string path = "Z:" + std::string(unix_path) + (relative.empty() ? "" : "/" + relative);
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string twk_exe_path() { return windows_path_in("TWK_EXE"); }
std::string test_tool_path(const std::string& file_name) { return windows_path_in("TWK_TEST_TOOLS", file_name); }
