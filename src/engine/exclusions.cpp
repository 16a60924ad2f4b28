#include "engine/exclusions.h"

#include "engine/file_reading.h"
#include "engine/text_conversion.h"

#include <windows.h>

#include <algorithm>

namespace {

bool same_ignoring_case(std::string_view a, std::string_view b) {
    const std::wstring wide_a = widen(a), wide_b = widen(b);
    return CompareStringOrdinal(wide_a.data(), static_cast<int>(wide_a.size()), wide_b.data(),
                                static_cast<int>(wide_b.size()), TRUE) == CSTR_EQUAL;
}

std::string without_trailing_separator(std::string path) {
    while (path.size() > 3 && path.back() == '\\') path.pop_back();
    return path;
}

// The directory above; empty at a root ("C:\" or "\\server\share").
std::string parent_of(const std::string& path) {
    const auto separator = path.find_last_of('\\');
    if (separator == std::string::npos || separator + 1 >= path.size()) return {};
    if (separator == 2 && path[1] == ':') return path.substr(0, 3);
    return path.substr(0, separator);
}

// Identity only; a directory opens with backup semantics and no access rights.
std::optional<FileIdentity> read_directory_identity(const std::string& path) {
    UniqueFileHandle directory(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!directory) return std::nullopt;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    return identity_of(directory.get());
}

}  // namespace

bool lies_within(std::string_view inner, std::string_view outer) {
    if (outer.empty() || inner.size() < outer.size()) return false;
    if (!same_ignoring_case(inner.substr(0, outer.size()), outer)) return false;
    return inner.size() == outer.size() || outer.back() == '\\' || inner[outer.size()] == '\\';
}

Exclusions::Exclusions(const std::vector<std::string>& paths) {
    for (const std::string& given : paths) {
        Place place{.path = without_trailing_separator(given), .identity = {}, .ancestors = {}};
        place.identity = directory_identity(place.path);
        for (std::string above = parent_of(place.path); !above.empty(); above = parent_of(above)) {
            if (const auto identity = directory_identity(above)) place.ancestors.push_back(*identity);
        }
        places_.push_back(std::move(place));
    }
}

bool Exclusions::covers(const CleanItem& item) {
    if (item.type == ITEM_REGISTRY_VALUE || places_.empty()) return false;
    const bool directory = item.type == ITEM_DIRECTORY;
    for (const Place& place : places_) {
        if (lies_within(item.path, place.path)) return true;
        if (directory && lies_within(place.path, item.path)) return true;
    }
    return identified_below_a_place(item) || (directory && holds_a_place(item));
}

bool Exclusions::identified_below_a_place(const CleanItem& item) {
    const bool any_identified = std::ranges::any_of(places_, [](const Place& place) { return place.identity.has_value(); });
    if (!any_identified) return false;
    std::string directory = item.type == ITEM_DIRECTORY ? without_trailing_separator(item.path) : parent_of(item.path);
    for (; !directory.empty(); directory = parent_of(directory)) {
        const auto identity = directory_identity(directory);
        if (identity && std::ranges::any_of(places_, [&](const Place& place) { return place.identity == identity; })) {
            return true;
        }
    }
    return false;
}

bool Exclusions::holds_a_place(const CleanItem& item) {
    const auto identity = item.snapshot ? std::optional(item.snapshot->identity) : directory_identity(item.path);
    if (!identity) return false;
    return std::ranges::any_of(places_, [&](const Place& place) { return std::ranges::find(place.ancestors, *identity) != place.ancestors.end(); });
}

std::optional<FileIdentity> Exclusions::directory_identity(const std::string& path) {
    const auto known = directories_.find(path);
    if (known != directories_.end()) return known->second;
    return directories_[path] = read_directory_identity(path);
}
