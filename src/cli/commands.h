#pragma once

#include "cli/arguments.h"

// Exit statuses of the console front end.
inline constexpr int EXIT_OK = 0;
inline constexpr int EXIT_USAGE = 1;
inline constexpr int EXIT_DECLINED = 8;
inline constexpr int EXIT_SCAN_FAILED = 99;

// Runs the command and returns the process exit status.
int run_command(const CliOptions& options);

// Shows engine progress on one console line that each call overwrites.
void print_progress(float percent, const char* message);
