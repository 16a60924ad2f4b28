#include "app/entry.h"
#include "engine/cleaner.h"

int main(int argc, char** argv) {
    install_crash_handlers();
    const bool command_line = wants_command_line(argc, argv);
    if (command_line) prepare_console();
    cleaner_init();
    register_modules();
    const int status = command_line ? run_console_front_end(argc, argv) : run_graphical_front_end();
    cleaner_shutdown();
    return status;
}
