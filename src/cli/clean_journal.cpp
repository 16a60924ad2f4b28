#include "cli/clean_journal.h"

#include "cli/json_report.h"
#include "engine/diagnostics.h"
#include "engine/win32_handle.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

constexpr std::size_t JOURNALS_KEPT = 50;
constexpr const char* JOURNAL_PATTERN = "clean-*.json";

std::optional<std::string> environment_variable(const char* name) {
    const DWORD length = GetEnvironmentVariableA(name, nullptr, 0);
    if (length == 0) return std::nullopt;
    std::string value(length, '\0');
    value.resize(GetEnvironmentVariableA(name, value.data(), length));
    return value;
}

// The logs folder, made when missing; nothing when it cannot be.
std::optional<std::string> logs_directory() {
    const auto local = environment_variable("LOCALAPPDATA");
    if (!local) return std::nullopt;
    std::string directory = *local;
    for (const char* part : {"\\Tidewick", "\\logs"}) {
        directory += part;
        if (!CreateDirectoryA(directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return std::nullopt;
    }
    return directory;
}

// Named by local time, so the names sort oldest first.
std::string journal_name() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char name[64];
    std::snprintf(name, sizeof name, "clean-%04u%02u%02u-%02u%02u%02u-%lu.json", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, GetCurrentProcessId());
    return name;
}

void remove_oldest(const std::string& directory) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const UniqueFindHandle find(FindFirstFileA((directory + "\\" + JOURNAL_PATTERN).c_str(), &found));
    if (!find) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileA(find.get(), &found));
    if (names.size() <= JOURNALS_KEPT) return;
    std::ranges::sort(names);
    for (std::size_t i = 0; i < names.size() - JOURNALS_KEPT; ++i) DeleteFileA((directory + "\\" + names[i]).c_str());
}

bool write_file(const std::string& path, const std::string& text) {
    const UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

std::string write_clean_journal(const Json& report) {
    const auto directory = logs_directory();
    if (!directory) return "The clean journal could not be written: no folder under LOCALAPPDATA: " + last_error_text();
    const std::string path = *directory + "\\" + journal_name();
    if (!write_file(path, document_text(report) + "\n")) {
        const std::string reason = last_error_text();
        return "The clean journal could not be written: " + utf8_from_ansi(path) + ": " + reason;
    }
    remove_oldest(*directory);
    return {};
}

std::string write_clean_journal(const ScanResults& results, const CleanResults& cleaned) {
    return write_clean_journal(clean_document(results, cleaned, false));
}
