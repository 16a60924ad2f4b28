#include "cli/plan_fields.h"

#include "engine/text_conversion.h"

#include <windows.h>

#include <cinttypes>
#include <cstdio>

namespace {

constexpr std::uint64_t TICKS_PER_SECOND = 10'000'000;
// An id is this many hex digits of the digest of module and path: unique
// enough for one machine's items, short enough to read in a plan.
constexpr std::size_t ID_DIGITS = 16;

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

// Volume serials and file ids as hex text: a 64-bit id does not fit a JSON number.
std::string hex32(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08" PRIx32, value);
    return text;
}

std::string hex64(std::uint64_t value) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, value);
    return text;
}

Json identity_or_null(const std::optional<FileSnapshot>& snapshot, bool wanted, auto field) {
    return snapshot && wanted ? Json(field(*snapshot)) : Json(nullptr);
}

void add_snapshot(Json& fields, const CleanItem& item) {
    const auto& seen = item.snapshot;
    const bool file = item.type == ITEM_FILE, on_disk = item.type != ITEM_REGISTRY_VALUE;
    fields["last_write"] = identity_or_null(seen, file, [](const FileSnapshot& s) { return iso_utc_time(s.last_write); });
    fields["volume_serial"] = identity_or_null(seen, on_disk, [](const FileSnapshot& s) { return hex32(s.identity.volume_serial); });
    fields["file_id"] = identity_or_null(seen, on_disk, [](const FileSnapshot& s) { return hex64(s.identity.file_id); });
}

Json kept_copy(const DuplicateGroup& group) {
    return {{"path", utf8_from_ansi(group.kept_path)},
            {"volume_serial", hex32(group.kept.identity.volume_serial)},
            {"file_id", hex64(group.kept.identity.file_id)}};
}

}  // namespace

std::string utf8_from_ansi(const std::string& text) {
    if (text.empty() || GetACP() == CP_UTF8) return text;
    const std::wstring wide = widen(text);
    const int units = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::string item_module(const CleanItem& item) { return split_tag(item.description).first; }

std::string iso_utc_time(std::uint64_t ticks) {
    const std::uint64_t whole = ticks - ticks % TICKS_PER_SECOND;
    const FILETIME time{static_cast<DWORD>(whole), static_cast<DWORD>(whole >> 32)};
    SYSTEMTIME utc{};
    FileTimeToSystemTime(&time, &utc);
    char text[40];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%07" PRIu64 "Z", utc.wYear, utc.wMonth, utc.wDay,
                  utc.wHour, utc.wMinute, utc.wSecond, ticks % TICKS_PER_SECOND);
    return text;
}

Json ItemFields::digest(std::string_view data) const {
    const auto hex = hasher_ ? hasher_->hex(data) : std::nullopt;
    return hex ? Json(*hex) : Json(nullptr);
}

Json ItemFields::operator()(const CleanItem& item) const {
    const auto [module, text] = split_tag(item.description);
    const std::string path = utf8_from_ansi(item.path);
    const Json id = digest(module + '\n' + path);
    Json fields{{"id", id.is_string() ? Json(id.get<std::string>().substr(0, ID_DIGITS)) : id},
                {"module", module},
                {"type", type_name(item.type)},
                {"path", path},
                {"size", item.size},
                {"description", utf8_from_ansi(text)},
                {"selected", item.selected},
                {"locked", item.locked},
                {"locked_by", item.locked_by ? Json(utf8_from_ansi(*item.locked_by)) : Json(nullptr)},
                {"locker_pid", item.locker_pid}};
    add_snapshot(fields, item);
    const auto& value = item.registry_value;
    fields["value_type"] = value ? Json(value->value_type) : Json(nullptr);
    fields["data_sha256"] = value ? digest(value->data) : Json(nullptr);
    const auto& group = item.duplicate_group;
    fields["group"] = group ? Json(group->number) : Json(nullptr);
    fields["digest"] = group ? Json(group->digest) : Json(nullptr);
    fields["kept"] = group ? kept_copy(*group) : Json(nullptr);
    return fields;
}
