#include "cli/arguments.h"

#include "cli/console.h"

#include <build_info.h>

#include <string_view>

std::optional<CliOptions> parse_arguments(int argc, const char* const* argv) {
    if (argc < 2) return std::nullopt;
    CliOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.empty() || arg[0] != '-') {
            if (!options.command) options.command = arg;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--quiet" || arg == "-q") {
            options.quiet = true;
        } else if (arg == "--force" || arg == "-f") {
            options.force = true;
        } else if (arg == "--dry-run") {
            options.dry_run = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--help" || arg == "-h") {
            options.command = "help";
            return options;
        } else if (arg == "--version") {
            options.command = "version";
            return options;
        }
    }
    if (!options.command) return std::nullopt;
    return options;
}

void print_usage() {
    console_printf("Tidewick v%s\n", TWK_VERSION);
    console_printf("A comprehensive Windows system cleaning utility\n\n");
    console_printf("Usage: twk [options] <command>\n\n");
    console_printf("Commands:\n");
    console_printf("  scan           Scan for cleanable items\n");
    console_printf("  clean          Clean found items\n");
    console_printf("  list-modules   List available cleaning modules\n");
    console_printf("  help           Show this help message\n");
    console_printf("  version        Show version information\n\n");
    console_printf("Options:\n");
    console_printf("  -v, --verbose  Show detailed output\n");
    console_printf("  -q, --quiet    Suppress non-error output\n");
    console_printf("  -f, --force    Skip confirmation prompts\n");
    console_printf("  --dry-run      Show what would be cleaned without cleaning\n");
    console_printf("  --no-gui       Force CLI mode (when no command given)\n");
    console_printf("  -h, --help     Show this help message\n");
    console_printf("  --version      Show version information\n\n");
    console_printf("Examples:\n");
    console_printf("  twk scan\n");
    console_printf("  twk clean --dry-run\n");
    console_printf("  twk clean --force\n");
}
