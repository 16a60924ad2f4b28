#include "support/console_capture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

ConsoleRun run_on_console(const std::function<int()>& body, const std::string& input) {
    char directory[MAX_PATH], file[MAX_PATH];
    GetTempPathA(MAX_PATH, directory);
    GetTempFileNameA(directory, "twk", 0, file);
    if (FILE* typed = std::fopen(file, "wb")) {
        std::fwrite(input.data(), 1, input.size(), typed);
        std::fclose(typed);
    }
    std::freopen(file, "r", stdin);

    ConsoleRun run;
    ::testing::internal::CaptureStdout();
    run.status = body();
    std::fflush(stdout);
    run.output = ::testing::internal::GetCapturedStdout();

    std::freopen("NUL", "r", stdin);
    DeleteFileA(file);
    return run;
}
