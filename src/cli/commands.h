#pragma once

#include "app/exit_status.h"
#include "cli/arguments.h"
#include "engine/records.h"

#include <memory>

// The scan the options ask for: the modules of --modules, else every one.
std::unique_ptr<ScanResults> scan_for(const CliOptions& options);

// Runs the command and returns the process exit status.
int run_command(const CliOptions& options);

// Shows engine progress on one console line that each call overwrites.
void print_progress(float percent, const char* message);
