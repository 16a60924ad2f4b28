#include "engine/directory_listing.h"

#include "engine/text_conversion.h"

#include <cstring>

std::optional<std::string> join_path(std::string_view dir, std::string_view name) {
    std::string path;
    path.reserve(dir.size() + 1 + name.size());
    path.append(dir).append(1, '\\').append(name);
    if (!fits_path_buffer(path)) return std::nullopt;
    return path;
}

std::string_view base_name(std::string_view path) {
    const auto slash = path.rfind('\\');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool is_dot_entry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

namespace {

bool is_control(char c) { return static_cast<unsigned char>(c) < 0x20; }

bool holds_any(std::string_view text, std::string_view forbidden) {
    for (char c : text) {
        if (is_control(c) || forbidden.find(c) != std::string_view::npos) return true;
    }
    return false;
}

// "CON", "nul.txt", "COM1.log": the system opens the device, not the file.
bool is_device_name(std::string_view name) {
    const std::string_view stem = name.substr(0, name.find('.'));
    const auto is = [stem](std::string_view device) {
        return stem.size() == device.size() && _strnicmp(stem.data(), device.data(), device.size()) == 0;
    };
    if (is("CON") || is("PRN") || is("AUX") || is("NUL")) return true;
    const bool numbered = stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9';
    return numbered && (_strnicmp(stem.data(), "COM", 3) == 0 || _strnicmp(stem.data(), "LPT", 3) == 0);
}

}  // namespace

bool is_faithful_name(std::string_view name) {
    if (name.empty() || holds_any(name, "?*\\/:<>|\"")) return false;
    // Path normalisation cuts a final dot or space: "report.log." opens "report.log".
    if (name.back() == '.' || name.back() == ' ') return false;
    // U+FFFD in UTF-8: a name that did not convert, standing for another one.
    if (name.find("\xEF\xBF\xBD") != std::string_view::npos) return false;
    return !is_device_name(name);
}

bool is_faithful_path(std::string_view path) { return !holds_any(path, "?*<>|\""); }

std::uint64_t find_data_size(const WIN32_FIND_DATAA& entry) {
    return (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

std::uint64_t find_data_write_time(const WIN32_FIND_DATAA& entry) {
    return (static_cast<std::uint64_t>(entry.ftLastWriteTime.dwHighDateTime) << 32) |
           entry.ftLastWriteTime.dwLowDateTime;
}

std::uint64_t current_file_time() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

DirectoryListing::DirectoryListing(std::string_view dir, std::string_view pattern) {
    if (!is_faithful_path(dir)) return;
    if (auto full = join_path(dir, pattern)) open(*full);
}

DirectoryListing DirectoryListing::from_pattern(std::string_view full_pattern) {
    DirectoryListing listing;
    if (fits_path_buffer(full_pattern)) listing.open(std::string(full_pattern));
    return listing;
}

void DirectoryListing::open(const std::string& full_pattern) {
    handle_.reset(FindFirstFileA(full_pattern.c_str(), &data_));
    pending_ = static_cast<bool>(handle_);
}

const WIN32_FIND_DATAA* DirectoryListing::next() {
    while (handle_) {
        if (!pending_ && !FindNextFileA(handle_.get(), &data_)) {
            handle_.reset();
            return nullptr;
        }
        pending_ = false;
        if (!is_dot_entry(data_.cFileName) && is_faithful_name(data_.cFileName)) return &data_;
    }
    return nullptr;
}

namespace {

constexpr std::size_t LISTING_BUFFER_WORDS = 8192;  // 64 KiB of records

FILETIME file_time_of(const LARGE_INTEGER& ticks) {
    return {static_cast<DWORD>(ticks.QuadPart), static_cast<DWORD>(static_cast<std::uint64_t>(ticks.QuadPart) >> 32)};
}

}  // namespace

IdentifiedListing::IdentifiedListing(std::string_view dir) {
    if (!is_faithful_path(dir) || !fits_path_buffer(dir)) return;
    directory_.reset(CreateFileW(widen(dir).c_str(), FILE_LIST_DIRECTORY,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (directory_) buffer_ = std::make_unique<std::uint64_t[]>(LISTING_BUFFER_WORDS);
}

bool IdentifiedListing::read_more() {
    if (!GetFileInformationByHandleEx(directory_.get(), FileIdBothDirectoryInfo, buffer_.get(),
                                      LISTING_BUFFER_WORDS * sizeof(std::uint64_t))) {
        return false;
    }
    record_ = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer_.get());
    return true;
}

const WIN32_FIND_DATAA* IdentifiedListing::next() {
    while (directory_) {
        if (!record_ && !read_more()) {
            directory_.reset();
            return nullptr;
        }
        const FILE_ID_BOTH_DIR_INFO& record = *record_;
        record_ = record.NextEntryOffset == 0 ? nullptr
                                              : reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(
                                                    reinterpret_cast<const char*>(record_) + record.NextEntryOffset);
        const auto name = narrow({record.FileName, record.FileNameLength / sizeof(WCHAR)});
        if (!name || name->size() >= sizeof data_.cFileName || is_dot_entry(name->c_str()) || !is_faithful_name(*name)) {
            continue;
        }
        data_ = {};
        data_.dwFileAttributes = record.FileAttributes;
        data_.ftCreationTime = file_time_of(record.CreationTime);
        data_.ftLastAccessTime = file_time_of(record.LastAccessTime);
        data_.ftLastWriteTime = file_time_of(record.LastWriteTime);
        data_.nFileSizeHigh = static_cast<DWORD>(static_cast<std::uint64_t>(record.EndOfFile.QuadPart) >> 32);
        data_.nFileSizeLow = static_cast<DWORD>(record.EndOfFile.QuadPart);
        std::memcpy(data_.cFileName, name->c_str(), name->size() + 1);
        index_ = static_cast<std::uint64_t>(record.FileId.QuadPart);
        return &data_;
    }
    return nullptr;
}
