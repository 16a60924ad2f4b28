#pragma once
// The process's exit statuses, and how `--help` explains them.

#include <array>

inline constexpr int EXIT_OK = 0;           // the command ran, or the window was closed
inline constexpr int EXIT_USAGE = 1;        // no command, an unknown command, option or module, a fatal error
inline constexpr int EXIT_DECLINED = 8;     // the confirmation prompt was declined
inline constexpr int EXIT_SCAN_FAILED = 99; // the scan gave no results

struct ExitStatusHelp {
    int status;
    const char* meaning;
};

inline constexpr std::array EXIT_STATUS_HELP{
    ExitStatusHelp{EXIT_OK, "The command ran (some items may have been skipped or failed)"},
    ExitStatusHelp{EXIT_USAGE, "No command, an unknown command, option or module, or an error"},
    ExitStatusHelp{EXIT_DECLINED, "Cleaning was declined at the prompt"},
    ExitStatusHelp{EXIT_SCAN_FAILED, "The scan failed"},
};
