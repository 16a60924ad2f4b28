#include "app/entry.h"
#include "app/module_options.h"
#include "cli/commands.h"
#include "cli/plan.h"
#include "engine/cleaner.h"

int main(int argc, char** argv) {
    install_crash_handlers();
    const bool command_line = wants_command_line(argc, argv);
    if (command_line) prepare_console();
    cleaner_init();
    register_modules();
    // A planned clean scans with the plan's own options, as if they had been typed.
    const auto arguments = run_arguments(argc, argv);
    if (!arguments) {
        cleaner_shutdown();
        return EXIT_USAGE;
    }
    std::vector<const char*> args;
    for (const std::string& argument : *arguments) args.push_back(argument.c_str());
    apply_module_options(read_module_options(static_cast<int>(args.size()), args.data()));
    const int status = command_line ? run_console_front_end(static_cast<int>(args.size()), args.data())
                                    : run_graphical_front_end();
    cleaner_shutdown();
    return status;
}
