// Starts a program with some environment variables replaced and waits for it,
// returning its exit status:  launch_with_env NAME=VALUE ... -- program [args]
//
// Wine sets TEMP, APPDATA and the like from its prefix for every program
// started from Unix; a program started from a Windows process inherits that
// process's environment as it is, so scripts use this to hand twk.exe a
// fixture profile. Standard handles are passed on, so output can go to a file.
#include <windows.h>
#include <shellapi.h>

#include <string>

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int i = 1;
    for (; argv && i < argc && std::wstring(argv[i]) != L"--"; ++i) {
        const std::wstring assignment = argv[i];
        const auto equals = assignment.find(L'=');
        if (equals == std::wstring::npos) return 125;
        SetEnvironmentVariableW(assignment.substr(0, equals).c_str(), assignment.substr(equals + 1).c_str());
    }
    // The program and its arguments, quoted as they were given.
    std::wstring command_line = GetCommandLineW();
    const auto program = command_line.find(L" -- ");
    if (i + 1 >= argc || program == std::wstring::npos) return 125;
    command_line.erase(0, program + 4);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        return 126;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(status);
}
