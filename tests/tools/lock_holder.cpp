// Holds the files named on its command line open with no sharing, so that
// nobody else can open them, until its standard input closes or it is ended.
// Prints "ready" once every file is held. Copied under a browser's name, it
// also serves as a running browser.

#include <windows.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    std::vector<HANDLE> held;
    for (int i = 1; i < argc; ++i) {
        HANDLE file = CreateFileA(argv[i], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::printf("cannot open %s\n", argv[i]);
            std::fflush(stdout);
            return 1;
        }
        held.push_back(file);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    char buffer[64];
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    }
    for (HANDLE file : held) CloseHandle(file);
    return 0;
}
