#include "app/entry.h"
#include "app/module_options.h"
#include "engine/cleaner.h"

int main(int argc, char** argv) {
    install_crash_handlers();
    const bool command_line = wants_command_line(argc, argv);
    if (command_line) {
        prepare_console();
        if (const auto refused = refuse_unknown_options(argc, argv)) return *refused;
    }
    const ModuleOptions module_options = read_module_options(argc, argv);
    cleaner_init();
    register_modules();
    apply_module_options(module_options);
    const int status = command_line ? run_console_front_end(argc, argv) : run_graphical_front_end();
    cleaner_shutdown();
    return status;
}
