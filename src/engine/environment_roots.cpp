#include "engine/environment_roots.h"

#include "engine/checked_delete.h"
#include "engine/cleaner.h"
#include "engine/directory_listing.h"
#include "engine/exclusions.h"
#include "engine/file_system.h"
#include "engine/text_conversion.h"

#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

bool same_path(std::string_view a, std::string_view b) {
    return a.size() == b.size() && _strnicmp(a.data(), b.data(), a.size()) == 0;
}

bool is_absolute(std::string_view path) {
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                       path[2] == '\\';
    return drive || (path.size() > 2 && path.starts_with("\\\\"));
}

// "C:\" or "\\server\share": nothing above it.
bool is_drive_root(std::string_view path) {
    if (path.size() <= 3 && path.size() >= 2 && path[1] == ':') return true;
    if (!path.starts_with("\\\\")) return false;
    const auto share = path.find('\\', 2);
    return share == std::string_view::npos || path.find('\\', share + 1) >= path.size() - 1;
}

std::optional<std::string> resolved(const std::string& path) {
    if (path.empty()) return std::nullopt;
    const auto directory = resolve_directory(path);
    return directory ? std::optional(directory->path) : std::nullopt;
}

std::optional<std::string> environment_directory(const char* variable) {
    char buffer[PATH_BUFFER_SIZE];
    const DWORD length = GetEnvironmentVariableA(variable, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return std::nullopt;
    return resolved(buffer);
}

std::optional<std::string> known_folder(const KNOWNFOLDERID& id) {
    wchar_t* wide = nullptr;
    std::optional<std::string> path;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &wide))) path = narrow(wide);
    CoTaskMemFree(wide);
    return path ? resolved(*path) : std::nullopt;
}

std::optional<std::string> system_directory(UINT (*get)(LPSTR, UINT)) {
    char buffer[PATH_BUFFER_SIZE];
    const UINT length = get(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return std::nullopt;
    return resolved(buffer);
}

void add(std::vector<std::string>& paths, std::optional<std::string> path) {
    if (path) paths.push_back(std::move(*path));
}

// The profile folder as the environment and as the system name it.
std::vector<std::string> profile_folders() {
    std::vector<std::string> paths;
    add(paths, environment_directory("USERPROFILE"));
    add(paths, known_folder(FOLDERID_Profile));
    return paths;
}

std::vector<std::string> user_folders() {
    static constexpr const char* NAMES[] = {"Documents", "Desktop", "Downloads", "Pictures", "Music", "Videos"};
    static const KNOWNFOLDERID* const IDS[] = {&FOLDERID_Documents, &FOLDERID_Desktop, &FOLDERID_Downloads,
                                               &FOLDERID_Pictures,  &FOLDERID_Music,   &FOLDERID_Videos};
    std::vector<std::string> paths;
    for (const KNOWNFOLDERID* id : IDS) add(paths, known_folder(*id));
    char profile[PATH_BUFFER_SIZE];
    const DWORD length = GetEnvironmentVariableA("USERPROFILE", profile, sizeof profile);
    if (length > 0 && length < sizeof profile) {
        for (const char* name : NAMES) {
            if (auto path = join_path(profile, name)) add(paths, resolved(*path));
        }
    }
    return paths;
}

std::vector<std::string> application_data_folders() {
    std::vector<std::string> paths;
    add(paths, environment_directory("LOCALAPPDATA"));
    add(paths, environment_directory("APPDATA"));
    add(paths, known_folder(FOLDERID_LocalAppData));
    add(paths, known_folder(FOLDERID_RoamingAppData));
    return paths;
}

bool any_of(const std::vector<std::string>& paths, auto test) { return std::ranges::any_of(paths, test); }

// Why a temporary root would reach the user's own files, or nothing.
std::optional<std::string> temporary_problem(const std::string& directory) {
    const auto holds = [&directory](const std::string& folder) {
        return lies_within(folder, directory);
    };
    const std::vector<std::string> users = user_folders();
    if (any_of(users, holds) || any_of(application_data_folders(), holds)) {
        return "is or holds the user's own folders";
    }
    if (any_of(users, [&directory](const std::string& folder) { return lies_within(directory, folder); })) {
        return "lies inside a user folder";
    }
    return std::nullopt;
}

// Why the root, resolved to `root` and extended to `directory`, is unsound, or nothing.
std::optional<std::string> resolved_problem(const std::string& root, const std::string& directory, RootUse use) {
    if (is_drive_root(root)) return "is the root of a drive";
    if (any_of(profile_folders(), [&root](const std::string& profile) {
            return lies_within(profile, root);
        })) {
        return "is the profile folder or holds it";
    }
    for (auto get : {&GetWindowsDirectoryA, &GetSystemDirectoryA}) {
        const auto system = system_directory(get);
        if (system && same_path(*system, directory)) return "is the Windows directory itself";
    }
    return use == RootUse::temporary ? temporary_problem(directory) : std::nullopt;
}

}  // namespace

std::optional<std::string> sound_directory(const std::string& root, std::string_view fixed_part, RootUse use,
                                           std::string_view origin) {
    const auto warn = [origin, &root](const std::string& problem) {
        report_scan_warning(std::string(origin) + " (\"" + root + "\") " + problem + ": passed over");
        return std::nullopt;
    };
    if (root.empty()) return warn("is empty");
    if (!is_absolute(root)) return warn("is not an absolute path");
    const auto resolved_root = resolve_directory(root);
    if (!resolved_root) {
        if (use == RootUse::temporary) return warn("is not an existing directory");
        return std::nullopt;
    }
    std::string directory = resolved_root->path;
    if (directory.ends_with('\\')) directory.pop_back();
    directory += fixed_part;
    if (auto problem = resolved_problem(resolved_root->path, directory, use)) return warn(*problem);
    if (!fits_path_buffer(directory) || !is_faithful_path(directory) || crosses_link(resolved_root->path, fixed_part)) {
        return std::nullopt;
    }
    return directory;
}
