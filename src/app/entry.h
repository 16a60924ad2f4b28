#pragma once
// Program start-up: crash handlers, the choice of front end, the console and
// the modules, in the order main() runs them.

#include <optional>

void install_crash_handlers();

// True when the command line selects the console front end rather than the window.
bool wants_command_line(int argc, const char* const* argv);

// Gives the command line its standard streams: those with a file, pipe or
// character device of their own are kept; the parent's console (or a new one)
// serves only the others, and is then switched to UTF-8.
void prepare_console();

// A command line holding an option twk does not know does nothing else: a
// mistyped "--dry-run" must never run the clean it was meant to stop. The
// error's exit status, or nothing when every option is known.
std::optional<int> refuse_unknown_options(int argc, const char* const* argv);

// Registers the cleaning modules in their fixed order. A module whose
// registration fails is simply absent for the rest of the run.
void register_modules();

int run_console_front_end(int argc, const char* const* argv);
int run_graphical_front_end();
