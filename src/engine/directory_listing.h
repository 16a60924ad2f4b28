#pragma once
// Path building and directory listing shared by every walker.
//
// Paths are 8-bit ANSI strings for the "A" file functions and must fit a
// 260-byte buffer with their terminating NUL. A path that would not fit is
// never built in cut form: a cut path can name another file.

#include "engine/win32_handle.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::size_t PATH_BUFFER_SIZE = 260;

inline bool fits_path_buffer(std::string_view path) { return path.size() < PATH_BUFFER_SIZE; }

// "dir\name", or nothing when the result would not fit the path buffer.
std::optional<std::string> join_path(std::string_view dir, std::string_view name);

// The part after the last backslash (the whole text when there is none).
std::string_view base_name(std::string_view path);

// "." and ".." are passed over by every walk; ".cache" or "..data" are not.
bool is_dot_entry(const char* name);

// False for a name holding a character no Windows file name may contain
// (? * \ / : < > | " or a control character). A listing returns such a name
// only when the real one did not convert to the ANSI code page: "???.txt" is
// a wildcard, and a best-fit "\x.txt" names another file. Nor does a name
// survive the round trip through the system's path rules when it ends in a
// dot or a space (cut off), holds U+FFFD (a name that did not convert) or is a
// device name such as "NUL" or "com1.log". It is never acted on.
bool is_faithful_name(std::string_view name);

// False for a path holding a wildcard, another character no path may contain,
// or a control character: a lossy conversion made it, and a search or the
// shell would read it as a pattern.
bool is_faithful_path(std::string_view path);

std::uint64_t find_data_size(const WIN32_FIND_DATAA& entry);
std::uint64_t find_data_write_time(const WIN32_FIND_DATAA& entry);  // 100 ns ticks
inline bool is_directory(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
inline bool is_reparse_point(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
// A placeholder in a synchronised folder keeps its content online: reading it
// would download it. The recall flags are missing from older SDK headers.
inline constexpr DWORD CONTENT_ONLINE_ATTRIBUTES = FILE_ATTRIBUTE_OFFLINE | 0x40000 /* RECALL_ON_OPEN */ |
                                                   0x400000 /* RECALL_ON_DATA_ACCESS */;
inline bool is_content_on_disk(DWORD attributes) { return (attributes & CONTENT_ONLINE_ATTRIBUTES) == 0; }

// Current time as 100 ns ticks since 1601, as GetSystemTimeAsFileTime gives it.
std::uint64_t current_file_time();

// The entries of one FindFirstFileA search, "." and ".." and names that are
// not faithful left out:
//
//   DirectoryListing listing(dir);              // searches "dir\*"
//   while (const WIN32_FIND_DATAA* entry = listing.next()) { ... }
class DirectoryListing {
public:
    // Searches "dir\pattern"; lists nothing when that does not fit the path
    // buffer or `dir` is not a faithful path.
    explicit DirectoryListing(std::string_view dir, std::string_view pattern = "*");
    // Searches a pattern that is already complete, such as "prefix\*".
    static DirectoryListing from_pattern(std::string_view full_pattern);

    bool is_open() const { return static_cast<bool>(handle_); }
    // The next entry, or null when the search is over.
    const WIN32_FIND_DATAA* next();

private:
    DirectoryListing() = default;
    void open(const std::string& full_pattern);

    UniqueFindHandle handle_;
    WIN32_FIND_DATAA data_{};
    bool pending_ = false;  // data_ holds an entry not yet returned
};

// The entries of one directory, as DirectoryListing gives them, each with its
// file index, all read through one handle on the directory. A walk that
// records which file it lists needs no open per file to learn it (an index
// asked of a file's own handle costs tens of microseconds under Wine). A
// name that does not convert exactly is left out, like an unfaithful one.
class IdentifiedListing {
public:
    explicit IdentifiedListing(std::string_view dir);
    const WIN32_FIND_DATAA* next();
    // The file index of the entry `next` returned last.
    std::uint64_t file_index() const { return index_; }

private:
    bool read_more();

    UniqueFileHandle directory_;
    std::unique_ptr<std::uint64_t[]> buffer_;  // 8-byte aligned records
    const FILE_ID_BOTH_DIR_INFO* record_ = nullptr;  // the next record to return
    WIN32_FIND_DATAA data_{};
    std::uint64_t index_ = 0;
};
