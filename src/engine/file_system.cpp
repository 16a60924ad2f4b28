#include "engine/file_system.h"

#include "engine/cleaner.h"
#include "engine/environment_roots.h"

#include <winternl.h>

#include <algorithm>

namespace {

// FileInternalInformation: the file index alone, without the volume query.
constexpr auto FILE_INDEX_CLASS = static_cast<FILE_INFORMATION_CLASS>(6);

std::uint64_t directory_size(const std::string& dir, AncestorChain& chain, const WIN32_FIND_DATAA* own = nullptr) {
    AncestorChain::Step step(chain, dir, own);
    if (!step.entered()) return 0;
    std::uint64_t total = 0;
    DirectoryListing listing(dir);
    while (const WIN32_FIND_DATAA* entry = listing.next()) {
        if (is_reparse_point(*entry)) continue;
        if (!is_directory(*entry)) {
            total += find_data_size(*entry);
        } else if (auto child = join_path(dir, entry->cFileName)) {
            total += directory_size(*child, chain, entry);
        }
    }
    return total;
}

}  // namespace

std::optional<std::string> expand_env_path(const char* path) {
    if (!path) return std::nullopt;
    char buffer[PATH_BUFFER_SIZE];
    const DWORD length = ExpandEnvironmentStringsA(path, buffer, PATH_BUFFER_SIZE);
    if (length == 0 || length > PATH_BUFFER_SIZE) return std::nullopt;
    return std::string(buffer);
}

bool crosses_link(const std::string& base, std::string_view fixed_part) {
    std::string path = base;
    while (!fixed_part.empty()) {
        const auto slash = fixed_part.find('\\');
        const std::string_view part = fixed_part.substr(0, slash);
        fixed_part = slash == std::string_view::npos ? std::string_view() : fixed_part.substr(slash + 1);
        if (part.empty()) continue;
        path.append(1, '\\').append(part);
        const DWORD attributes = GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return true;
    }
    return false;
}

std::optional<std::string> expand_location(std::string_view path_template, RootUse use) {
    const auto root_end = path_template.rfind('%');
    const std::size_t root_size = root_end == std::string_view::npos ? 0 : root_end + 1;
    const std::string root_template(path_template.substr(0, root_size));
    auto root = expand_env_path(root_template.c_str());
    if (!root) return std::nullopt;
    if (*root == root_template && !root_template.empty()) {
        report_scan_warning(root_template + " is not set: passed over");
        return std::nullopt;
    }
    return sound_directory(*root, path_template.substr(root_size), use, root_template);
}

bool is_still_as_listed(const CleanItem& item) {
    const DWORD attributes = GetFileAttributesA(item.path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return false;
    const bool is_directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return is_directory == (item.type == ITEM_DIRECTORY);
}

bool is_existing_directory(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::uint64_t calculate_directory_size(const std::string& dir) {
    AncestorChain chain;
    return directory_size(dir, chain);
}

AncestorChain::Step::Step(AncestorChain& chain, const std::string& dir, const WIN32_FIND_DATAA* entry)
    : chain_(chain) {
    Ancestor candidate{dir, stamp_of(dir, entry), std::nullopt, false};
    if (chain_.is_ancestor(candidate)) return;
    chain_.chain_.push_back(std::move(candidate));
    entered_ = true;
}

AncestorChain::Step::~Step() {
    if (entered_) chain_.chain_.pop_back();
}

// A directory whose times or identity cannot be read is still walked: the
// reparse test is the first defence, this one only backs it up.
bool AncestorChain::is_ancestor(Ancestor& candidate) {
    if (!candidate.stamp) return false;
    for (Ancestor& ancestor : chain_) {
        if (ancestor.stamp != candidate.stamp) continue;
        const auto& identity = identity_of(candidate);
        if (identity && identity == identity_of(ancestor)) return true;
    }
    return false;
}

// Creation and last-write times folded together; equal for the same
// directory. Reading them by path costs as much as an open under Wine, so a
// walk hands over the find record it already has for each subdirectory.
std::optional<std::uint64_t> AncestorChain::stamp_of(const std::string& dir, const WIN32_FIND_DATAA* entry) {
    FILETIME created, written;
    if (entry) {
        created = entry->ftCreationTime;
        written = entry->ftLastWriteTime;
    } else {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(dir.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
        created = data.ftCreationTime;
        written = data.ftLastWriteTime;
    }
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return ticks(created) * 31 + ticks(written);
}

const std::optional<AncestorChain::Identity>& AncestorChain::identity_of(Ancestor& ancestor) {
    if (!ancestor.identity_read) {
        ancestor.identity = identity_of(ancestor.path);
        ancestor.identity_read = true;
    }
    return ancestor.identity;
}

// The volume serial is read once per walk: asking for it costs most of a
// millisecond per directory under Wine, several times the open, and a walk
// that enters no reparse point (mount points are reparse points) stays on its
// root's volume. The file index alone is cheap to ask for.
std::optional<AncestorChain::Identity> AncestorChain::identity_of(const std::string& dir) {
    UniqueFileHandle handle(CreateFileA(dir.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return std::nullopt;
    if (!volume_) {
        BY_HANDLE_FILE_INFORMATION info;
        if (!GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
        volume_ = info.dwVolumeSerialNumber;
    }
    IO_STATUS_BLOCK status{};
    LARGE_INTEGER index{};
    if (!NT_SUCCESS(NtQueryInformationFile(handle.get(), &status, &index, sizeof index, FILE_INDEX_CLASS))) {
        return std::nullopt;
    }
    return Identity{*volume_, static_cast<std::uint64_t>(index.QuadPart)};
}
