#include "cli/json_report.h"

#include "cli/commands.h"
#include "cli/console.h"
#include "engine/cleaner.h"

#include <build_info.h>
#include <nlohmann/json.hpp>

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string_view>

namespace {

// Keeps the keys in the order docs/json.md lists them.
using Json = nlohmann::ordered_json;

constexpr int SCHEMA_VERSION = 1;

// Paths and names come from the 8-bit Windows calls, in the ANSI code page,
// which is not UTF-8 on every system; the document is UTF-8 whatever it is.
std::string utf8_from_ansi(const std::string& text) {
    if (text.empty() || GetACP() == CP_UTF8) return text;
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(units, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

const char* type_name(CleanItemType type) {
    switch (type) {
        case ITEM_DIRECTORY: return "directory";
        case ITEM_REGISTRY_VALUE: return "registry_value";
        default: return "file";
    }
}

// The scan tags every description "[module_id] text"; the document keeps the two apart.
std::pair<std::string, std::string> split_tag(const std::string& description) {
    const auto close = description.find("] ");
    if (description.empty() || description[0] != '[' || close == std::string::npos) return {"", description};
    return {description.substr(1, close - 1), description.substr(close + 2)};
}

Json item_json(const CleanItem& item) {
    const auto [module, text] = split_tag(item.description);
    return {{"module", module},
            {"type", type_name(item.type)},
            {"path", utf8_from_ansi(item.path)},
            {"size", item.size},
            {"description", utf8_from_ansi(text)},
            {"selected", item.selected},
            {"locked", item.locked},
            {"locked_by", item.locked_by ? Json(utf8_from_ansi(*item.locked_by)) : Json(nullptr)},
            {"locker_pid", item.locker_pid}};
}

Json document(const char* command) {
    return {{"schema", SCHEMA_VERSION}, {"program", "Tidewick"}, {"version", TWK_VERSION}, {"command", command}};
}

void add_scan(Json& document, const ScanResults& results) {
    document["total_items"] = results.total_items;
    document["total_size"] = results.total_size;
    Json& items = document["items"] = Json::array();
    for (const CleanItem& item : results.items) items.push_back(item_json(item));
}

// One line and a bare "\n": the stream is switched out of text mode so the
// bytes are the same whichever system reads the report. Invalid UTF-8, the
// one thing dump() would throw for, is replaced rather than thrown.
int print_document(const Json& document) {
    const std::string text = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    console_printf("%s\n", text.c_str());
    std::fflush(stdout);
    return EXIT_OK;
}

int error(const char* message, int status) {
    std::fprintf(stderr, "Error: %s\n", message);
    return status;
}

int scan_json(const CliOptions& options) {
    const auto results = scan_for(options);
    if (!results) return error("Scan failed", EXIT_SCAN_FAILED);
    Json report = document("scan");
    add_scan(report, *results);
    return print_document(report);
}

int clean_json(const CliOptions& options) {
    if (!options.force && !options.dry_run) {
        return error("clean --json needs --force or --dry-run: a report cannot answer the confirmation prompt",
                     EXIT_USAGE);
    }
    const auto results = scan_for(options);
    if (!results) return error("Scan failed", EXIT_SCAN_FAILED);
    std::unique_ptr<CleanResults> cleaned;
    if (!options.dry_run) cleaned = cleaner_clean(results->items);
    if (!cleaned) cleaned = std::make_unique<CleanResults>();  // a dry run or nothing to clean: zero counts

    Json report = document("clean");
    add_scan(report, *results);
    report["dry_run"] = options.dry_run;
    report["cleaned_count"] = cleaned->cleaned_count;
    report["failed_count"] = cleaned->failed_count;
    report["bytes_freed"] = cleaned->bytes_freed;
    Json& errors = report["errors"] = Json::array();
    for (const std::string& message : cleaned->errors) errors.push_back(utf8_from_ansi(message));
    return print_document(report);
}

int list_modules_json() {
    Json report = document("list-modules");
    Json& modules = report["modules"] = Json::array();
    for (const CleanerModule* module : cleaner_registered_modules()) {
        const bool enabled = module_enabled(*module);
        modules.push_back({{"id", module->id},
                           {"name", module->display_name ? module->display_name : module->id},
                           {"enabled", enabled}});
    }
    return print_document(report);
}

}  // namespace

std::optional<int> run_json_command(const CliOptions& options) {
    g_progress_callback = nullptr;  // standard output carries the document alone
    const std::string_view command = *options.command;
    if (command == "scan") return scan_json(options);
    if (command == "clean") return clean_json(options);
    if (command == "list-modules") return list_modules_json();
    return std::nullopt;
}
