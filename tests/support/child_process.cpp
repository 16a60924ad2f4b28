#include "support/child_process.h"

#include "engine/win32_handle.h"

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <stdexcept>

namespace {

std::wstring widen(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

// The test's own environment with the overrides in place of its variables of
// the same name (names compare without case), as a double-NUL-terminated block.
std::wstring environment_block(const EnvironmentOverrides& overrides) {
    std::wstring result;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
            const bool replaced = std::any_of(overrides.begin(), overrides.end(), [&](const auto& variable) {
                const std::wstring name = widen(variable.first + "=");
                return _wcsnicmp(entry, name.c_str(), name.size()) == 0;
            });
            if (!replaced) result += entry + std::wstring(1, L'\0');
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : overrides) result += widen(name + "=" + value) + L'\0';
    return result + L'\0';
}

std::wstring quote(const std::string& argument) {
    std::wstring quoted = L"\"";
    for (wchar_t c : widen(argument)) {
        if (c == L'"') quoted += L'\\';
        quoted += c;
    }
    return quoted + L"\"";
}

struct Pipe {
    UniqueHandle read;
    UniqueHandle write;
};

// One end is inherited by the child, the other stays with the test.
Pipe make_pipe(bool child_reads) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) throw std::runtime_error("CreatePipe failed");
    SetHandleInformation(child_reads ? write : read, HANDLE_FLAG_INHERIT, 0);
    return {UniqueHandle(read), UniqueHandle(write)};
}

void drain(HANDLE pipe, std::string& sink) {
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0) return;
        sink.append(buffer, got);
    }
}

std::string without_carriage_returns_before_newlines(std::string text) {
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    return text;
}

// Starts `exe` on the child ends of the pipes, which are then closed here;
// returns the process handle. A null environment passes on the test's own.
HANDLE start_child(const std::string& exe, const std::vector<std::string>& args, Pipe& input, Pipe& output,
                   Pipe* error, wchar_t* environment, const std::string& working_directory) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.read.get();
    startup.hStdOutput = output.write.get();
    startup.hStdError = error ? error->write.get() : output.write.get();
    std::wstring command_line = quote(exe);
    for (const std::string& arg : args) command_line += L" " + quote(arg);
    const std::wstring directory = widen(working_directory);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(widen(exe).c_str(), command_line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                        environment, directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
        throw std::runtime_error("cannot start " + exe);
    }
    CloseHandle(info.hThread);
    input.read.reset();
    output.write.reset();
    if (error) error->write.reset();
    return info.hProcess;
}

}  // namespace

ProcessResult run_process(const std::string& exe, const std::vector<std::string>& args,
                          const ProcessOptions& options) {
    Pipe input = make_pipe(true);
    Pipe output = make_pipe(false);
    std::optional<Pipe> error;
    if (options.separate_error) error = make_pipe(false);
    std::wstring environment = environment_block(options.environment);
    UniqueHandle process(start_child(exe, args, input, output, error ? &*error : nullptr,
                                     environment.data(), options.working_directory));

    if (!options.input.empty()) {
        DWORD written = 0;
        WriteFile(input.write.get(), options.input.data(), static_cast<DWORD>(options.input.size()), &written, nullptr);
    }
    input.write.reset();  // end of input

    ProcessResult result;
    std::string raw, raw_error;
    const DWORD started = GetTickCount();
    while (WaitForSingleObject(process.get(), 10) == WAIT_TIMEOUT) {
        drain(output.read.get(), raw);
        if (error) drain(error->read.get(), raw_error);
        if (GetTickCount() - started > options.timeout_ms) {
            TerminateProcess(process.get(), 259);
            WaitForSingleObject(process.get(), 5000);
            result.timed_out = true;
            break;
        }
    }
    drain(output.read.get(), raw);
    if (error) drain(error->read.get(), raw_error);
    DWORD code = 0;
    GetExitCodeProcess(process.get(), &code);
    result.exit_code = static_cast<int>(code);
    result.output = without_carriage_returns_before_newlines(raw);
    result.error = without_carriage_returns_before_newlines(raw_error);
    return result;
}

BackgroundProcess::BackgroundProcess(const std::string& exe, const std::vector<std::string>& args) {
    Pipe input = make_pipe(true);
    Pipe output = make_pipe(false);
    process_ = start_child(exe, args, input, output, nullptr, nullptr, {});
    pid_ = GetProcessId(process_);
    input_ = input.write.release();
    output_ = output.read.release();
}

BackgroundProcess::~BackgroundProcess() {
    CloseHandle(input_);  // end of input asks the program to finish
    if (WaitForSingleObject(process_, 5000) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 259);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(output_);
    CloseHandle(process_);
}

bool BackgroundProcess::wait_for_output(const std::string& text, unsigned timeout_ms) {
    const DWORD started = GetTickCount();
    while (seen_.find(text) == std::string::npos) {
        drain(output_, seen_);
        if (seen_.find(text) != std::string::npos) break;
        if (GetTickCount() - started > timeout_ms || WaitForSingleObject(process_, 10) != WAIT_TIMEOUT) return false;
    }
    return true;
}

std::string windows_path_of(const std::string& unix_path) {
    std::string path = "Z:" + unix_path;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string twk_exe_path() {
    const char* exe = std::getenv("TWK_EXE");
    if (!exe) throw std::runtime_error("TWK_EXE is not set");
    return windows_path_of(exe);
}

std::string test_tool_path(const std::string& file_name) {
    const char* dir = std::getenv("TWK_TEST_TOOLS");
    if (!dir) throw std::runtime_error("TWK_TEST_TOOLS is not set");
    return windows_path_of(std::string(dir) + "/" + file_name);
}
