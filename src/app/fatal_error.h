#pragma once
// Errors the program cannot continue from, reported where the user will see them.

// Reports the error and exits with status 1. The command line writes it to
// standard error when that stream has a handle; the window, or a command line
// whose standard error goes nowhere, shows a message box. An unattended run
// must never wait on a dialog.
[[noreturn]] void fatal_error(const char* title, const char* message);

// Called by the entry when the command line runs, before its streams are prepared.
void note_console_mode();
