#include "cli/plan.h"

#include "cli/commands.h"
#include "engine/cleaner.h"
#include "engine/file_reading.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <span>
#include <string_view>

namespace {

constexpr int PLAN_SCHEMA = 2;
constexpr std::string_view PLAN_OPTION = "--plan=";

// The options that decide what a scan lists. A plan records each under its
// key and a planned clean gives back exactly these, so a later command line
// cannot widen the scan that finds the plan's items.
enum class OptionKind { flag, text, paths, ids };
struct ScanOption {
    const char* key;
    std::string_view name;
    OptionKind kind;
};
constexpr ScanOption SCAN_OPTIONS[] = {
    {"modules", "--modules", OptionKind::ids},
    {"dup_path", "--dup-path", OptionKind::paths},
    {"dup_min_size", "--dup-min-size", OptionKind::text},
    {"dup_keep", "--dup-keep", OptionKind::text},
    {"dup_protect", "--dup-protect", OptionKind::paths},
    {"exclude", "--exclude", OptionKind::paths},
    {"enable_registry", "--enable-registry", OptionKind::flag},
};

// What one clean item of each type must still show to be the one planned.
constexpr const char* FILE_FIELDS[] = {"size", "last_write", "volume_serial", "file_id"};
constexpr const char* DIRECTORY_FIELDS[] = {"volume_serial", "file_id"};
constexpr const char* REGISTRY_FIELDS[] = {"value_type", "data_sha256"};
constexpr const char* GROUP_FIELDS[] = {"digest", "kept"};

// Set once at start-up, before any front end runs.
std::vector<std::string> g_arguments;
std::optional<Json> g_plan;

std::optional<std::string_view> option_value(std::string_view argument, std::string_view name) {
    if (!argument.starts_with(name) || argument.size() <= name.size() || argument[name.size()] != '=') return std::nullopt;
    return argument.substr(name.size() + 1);
}

bool names_option(std::string_view argument, const ScanOption& option) {
    return argument == option.name || option_value(argument, option.name).has_value();
}

// The full path, so a plan means the same folders from any working directory.
std::string full_path(std::string_view given) {
    const std::string path(given);
    const DWORD length = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::string full(length, '\0');
    const DWORD written = GetFullPathNameA(path.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length) return path;
    full.resize(written);
    return full;
}

std::vector<std::string> split_ids(std::string_view list) {
    std::vector<std::string> ids;
    for (std::size_t start = 0; start <= list.size();) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) ids.emplace_back(list.substr(start, comma - start));
        start = comma + 1;
    }
    return ids;
}

std::vector<std::string> registered_ids() {
    std::vector<std::string> ids;
    for (const CleanerModule* module : cleaner_registered_modules()) ids.emplace_back(module->id);
    return ids;
}

Json recorded_option(const ScanOption& option) {
    Json values = Json::array();
    for (const std::string& argument : g_arguments) {
        const auto value = option_value(argument, option.name);
        if (option.kind == OptionKind::flag && argument == option.name) return true;
        if (!value) continue;
        if (option.kind == OptionKind::paths) values.push_back(full_path(*value));
        if (option.kind == OptionKind::text) values = Json(std::string(*value));  // the last one counts
        if (option.kind == OptionKind::ids) values = split_ids(*value);
    }
    if (option.kind == OptionKind::flag) return false;
    if (option.kind == OptionKind::text && values.is_array()) return nullptr;
    if (option.kind == OptionKind::ids && values.empty()) return registered_ids();
    return values;
}

bool is_string_array(const Json& value) {
    return value.is_array() && std::ranges::all_of(value, [](const Json& v) { return v.is_string(); });
}

// The plan's options as the arguments that would have given them, added to
// `arguments`; false when one has the wrong form. The modules are not
// among them: the planned clean scans those itself.
bool add_plan_arguments(const Json& options, std::vector<std::string>& arguments) {
    for (const ScanOption& option : SCAN_OPTIONS) {
        if (option.kind == OptionKind::ids || !options.contains(option.key)) continue;
        const Json& value = options[option.key];
        const std::string prefix = std::string(option.name) + "=";
        if (value.is_null()) continue;
        if (option.kind == OptionKind::flag && value.is_boolean()) {
            if (value.get<bool>()) arguments.emplace_back(option.name);
        } else if (option.kind == OptionKind::text && value.is_string()) {
            arguments.push_back(prefix + value.get<std::string>());
        } else if (option.kind == OptionKind::paths && is_string_array(value)) {
            for (const Json& path : value) arguments.push_back(prefix + path.get<std::string>());
        } else {
            return false;
        }
    }
    return true;
}

bool is_plan_item(const Json& item) {
    static constexpr std::string_view TYPES[] = {"file", "directory", "registry_value"};
    if (!item.is_object()) return false;
    const Json type = item.value("type", Json());
    return item.value("module", Json()).is_string() && item.value("path", Json()).is_string() &&
           item.value("description", Json()).is_string() && item.value("selected", Json()).is_boolean() &&
           item.value("size", Json()).is_number_unsigned() && type.is_string() &&
           std::ranges::find(TYPES, type.get<std::string>()) != std::end(TYPES);
}

// The plan document, or why it cannot be used.
std::optional<Json> read_plan(const std::string& file, std::string& error) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        error = "Cannot read the plan " + file;
        return std::nullopt;
    }
    const Json plan = Json::parse(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>(), nullptr, false);
    if (plan.is_discarded()) error = "The plan " + file + " is not valid JSON";
    else if (!plan.is_object() || plan.value("program", Json()) != "Tidewick") error = file + " is not a Tidewick plan";
    else if (plan.value("schema", Json()) != PLAN_SCHEMA) error = "The plan " + file + " is not of schema 2";
    else if (plan.value("command", Json()) != "scan") error = file + " is not a plan: make one with 'twk scan --json'";
    else if (!plan.value("options", Json()).is_object() || !is_string_array(plan["options"].value("modules", Json())))
        error = "The plan " + file + " does not name its modules";
    else if (!plan.value("items", Json()).is_array() || !std::ranges::all_of(plan["items"], is_plan_item))
        error = "The plan " + file + " has an item without module, type, path, size, description or selection";
    if (!error.empty()) return std::nullopt;
    return plan;
}

std::optional<std::string> plan_file(std::span<const std::string> arguments) {
    std::optional<std::string> file;
    for (const std::string& argument : arguments) {
        if (argument.starts_with(PLAN_OPTION)) file = argument.substr(PLAN_OPTION.size());
    }
    return file;
}

// Where the plan is kept apart from what was typed, or empty.
std::string plan_conflict(std::span<const std::string> arguments) {
    for (const std::string& argument : arguments) {
        for (const ScanOption& option : SCAN_OPTIONS) {
            if (names_option(argument, option)) {
                return std::string(option.name) + " cannot be given with --plan: the plan's own options apply";
            }
        }
    }
    return {};
}

std::optional<std::vector<std::string>> refuse(const std::string& error) {
    std::fprintf(stderr, "Error: %s\n", error.c_str());
    return std::nullopt;
}

std::string item_key(const std::string& module, const std::string& utf8_path) { return module + '\n' + utf8_path; }

// A plan item as the plan describes it, for one the fresh scan no longer lists.
CleanItem planned_item(const Json& entry) {
    CleanItem item;
    const std::string type = entry["type"];
    item.type = type == "directory" ? ITEM_DIRECTORY : type == "registry_value" ? ITEM_REGISTRY_VALUE : ITEM_FILE;
    item.path = entry["path"];
    item.size = entry["size"];
    item.description.append("[").append(entry["module"].get<std::string>()).append("] ");
    item.description.append(entry["description"].get<std::string>());
    item.selected = entry["selected"];
    return item;
}

Json field(const Json& item, const char* key) { return item.contains(key) ? item[key] : Json(); }

bool same_fields(const Json& planned, const Json& fresh, std::span<const char* const> keys) {
    return std::ranges::all_of(keys, [&](const char* key) {
        const Json value = field(planned, key);
        return !value.is_null() && value == field(fresh, key);
    });
}

// Files by identity, size and time, directories by identity, registry values
// by type and data; a duplicate copy must also still be in its group with
// the same kept copy. What either side does not know does not match.
bool unchanged(const Json& planned, const Json& fresh) {
    if (field(planned, "type") != fresh["type"]) return false;
    const std::string type = fresh["type"];
    const auto keys = type == "file"        ? std::span<const char* const>(FILE_FIELDS)
                      : type == "directory" ? std::span<const char* const>(DIRECTORY_FIELDS)
                                            : std::span<const char* const>(REGISTRY_FIELDS);
    const bool grouped = !field(planned, "group").is_null() || !fresh["group"].is_null();
    return same_fields(planned, fresh, keys) && (!grouped || same_fields(planned, fresh, GROUP_FIELDS));
}

std::string unknown_module(const Json& plan) {
    const std::vector<std::string> known = registered_ids();
    const auto is_known = [&](const std::string& id) { return std::ranges::find(known, id) != known.end(); };
    for (const Json& id : plan["options"]["modules"]) {
        if (!is_known(id)) return id;
    }
    for (const Json& item : plan["items"]) {
        if (!is_known(item["module"])) return item["module"];
    }
    return {};
}

// The plan's items, each matched against the fresh scan and settled when it
// cannot be cleaned as planned.
std::unique_ptr<ScanResults> match_plan(const Json& plan, ItemList& fresh) {
    std::map<std::string, const CleanItem*> listed;
    for (const CleanItem& item : fresh) listed.emplace(item_key(item_module(item), utf8_from_ansi(item.path)), &item);
    const ItemFields fields;
    auto results = std::make_unique<ScanResults>();
    for (const Json& entry : plan["items"]) {
        const auto found = listed.find(item_key(entry["module"], entry["path"]));
        CleanItem item = found == listed.end() ? planned_item(entry) : *found->second;
        item.selected = entry["selected"];
        if (found == listed.end()) {
            settle_skipped(item, "no longer found");
        } else if (item.selected && !item.locked && !unchanged(entry, fields(item))) {
            settle_failed(item, "changed since the plan");
        }
        results->total_items += 1;
        results->total_size += item.size;
        results->items.push_back(std::move(item));
    }
    return results;
}

CleanScan scan_plan(const Json& plan) {
    if (const std::string module = unknown_module(plan); !module.empty()) {
        return {nullptr, EXIT_USAGE, "The plan names an unknown module '" + module + "'"};
    }
    const std::vector<std::string> modules = plan["options"]["modules"];
    auto fresh = cleaner_scan(modules);
    if (!fresh) return {nullptr, EXIT_SCAN_FAILED, "Scan failed"};
    complete_snapshots(fresh->items);
    return {match_plan(plan, fresh->items), 0, {}};
}

}  // namespace

std::optional<std::vector<std::string>> run_arguments(int argc, const char* const* argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    g_plan.reset();
    const auto file = plan_file(arguments);
    if (file) {
        if (const std::string conflict = plan_conflict(arguments); !conflict.empty()) return refuse(conflict);
        std::string error;
        g_plan = read_plan(*file, error);
        if (!g_plan) return refuse(error);
        if (!add_plan_arguments((*g_plan)["options"], arguments)) {
            g_plan.reset();
            return refuse("The plan " + *file + " has an option of the wrong form");
        }
    }
    g_arguments = arguments;
    return arguments;
}

Json recorded_scan_options() {
    Json options = Json::object();
    for (const ScanOption& option : SCAN_OPTIONS) options[option.key] = recorded_option(option);
    return options;
}

void complete_snapshots(ItemList& items) {
    for (CleanItem& item : items) {
        if (item.snapshot || item.type == ITEM_REGISTRY_VALUE) continue;
        // No access asked: reading attributes through the handle conflicts with no holder.
        const UniqueFileHandle handle(CreateFileA(item.path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (handle) item.snapshot = snapshot_of(handle.get());
    }
}

CleanScan scan_for_clean() {
    if (g_plan) return scan_plan(*g_plan);
    auto results = cleaner_scan();
    if (!results) return {nullptr, EXIT_SCAN_FAILED, "Scan failed"};
    complete_snapshots(results->items);
    return {std::move(results), 0, {}};
}

std::unique_ptr<CleanResults> clean_scanned(const ItemList& items) {
    ItemList pending;
    std::ranges::copy_if(items, std::back_inserter(pending),
                         [](const CleanItem& item) { return item.outcome == ItemOutcome::pending; });
    auto results = pending.empty() ? std::make_unique<CleanResults>() : cleaner_clean(pending);
    if (!results) return nullptr;
    for (const CleanItem& item : items) {
        if (item.outcome == ItemOutcome::pending) continue;
        count_outcome(*results, item);
        results->items.push_back(item);
    }
    return results;
}
