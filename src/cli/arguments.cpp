#include "cli/arguments.h"

#include "app/exit_status.h"
#include "cli/console.h"
#include "cli/option_table.h"

#include <build_info.h>

namespace {

std::vector<std::string> split_ids(std::string_view list) {
    std::vector<std::string> ids;
    for (std::size_t start = 0;;) {
        const std::size_t comma = list.find(',', start);
        ids.emplace_back(list.substr(start, comma - start));
        if (comma == std::string_view::npos) return ids;
        start = comma + 1;
    }
}

// Sets what the option means to the console; true when parsing stops here.
bool apply(CliOptions& options, const OptionArgument& option) {
    switch (option.spec->option) {
        case Option::verbose: options.verbose = true; break;
        case Option::quiet: options.quiet = true; break;
        case Option::force: options.force = true; break;
        case Option::dry_run: options.dry_run = true; break;
        case Option::json: options.json = true; break;
        case Option::modules: {
            if (!options.modules) options.modules.emplace();
            for (std::string& id : split_ids(option.value)) options.modules->push_back(std::move(id));
            break;
        }
        case Option::help: options.command = "help"; return true;
        case Option::version: options.command = "version"; return true;
        default: break;  // read by the entry or the modules
    }
    return false;
}

}  // namespace

std::optional<CliOptions> parse_arguments(int argc, const char* const* argv) {
    if (argc < 2) return std::nullopt;
    CliOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto option = read_option(arg);
        if (!option) {
            if (!options.command) options.command = arg;
        } else if (option->spec && apply(options, *option)) {
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
    for (const OptionSpec& spec : known_options()) console_printf("%s", usage_line(spec).c_str());
    console_printf("\nExamples:\n");
    console_printf("  twk scan\n");
    console_printf("  twk clean --dry-run\n");
    console_printf("  twk clean --force\n");
    console_printf("\nExit status:\n");
    for (const ExitStatusHelp& exit : EXIT_STATUS_HELP) console_printf("  %-13d  %s\n", exit.status, exit.meaning);
}

void print_usage_hint() { console_printf("Run 'twk --help' for usage information.\n"); }

int reject_unknown_option(std::string_view option) {
    console_printf("Error: Unknown option '%.*s'\n", static_cast<int>(option.size()), option.data());
    print_usage_hint();
    return EXIT_USAGE;
}
