#pragma once
// Program start-up: crash handlers, the choice of front end, the console and
// the modules, in the order main() runs them.

void install_crash_handlers();

// True when the command line selects the console front end rather than the window.
bool wants_command_line(int argc, const char* const* argv);

// Attaches to the parent's console (or opens one) and switches it to UTF-8.
// Streams already redirected to a file or pipe are kept as they are.
void prepare_console();

// Registers the cleaning modules in their fixed order. A module whose
// registration fails is simply absent for the rest of the run.
void register_modules();

int run_console_front_end(int argc, const char* const* argv);
int run_graphical_front_end();
