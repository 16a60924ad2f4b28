#include "engine/checked_delete.h"

#include "engine/cleaner.h"
#include "engine/diagnostics.h"
#include "engine/directory_listing.h"
#include "engine/file_reading.h"
#include "engine/recycle_bin.h"
#include "engine/text_conversion.h"

#include <winternl.h>

#include <vector>

namespace {

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD INSPECT = FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD REMOVE = DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
constexpr const char* CHANGED = "changed since the scan";
constexpr const char* HOLDS_LINK = "holds a link";

struct Opened {
    UniqueFileHandle handle;
    BY_HANDLE_FILE_INFORMATION info{};
    bool is_directory() const { return (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool is_link() const { return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }
};

Opened with_info(UniqueFileHandle handle) {
    Opened opened{std::move(handle)};
    if (opened.handle && !GetFileInformationByHandle(opened.handle.get(), &opened.info)) opened.handle.reset();
    return opened;
}

// The name itself, never what a final link points to. Backup semantics open a
// directory too, so a file replaced by a directory is seen as changed.
Opened open_unfollowed(const std::wstring& path, DWORD access, DWORD share = SHARE_ALL) {
    return with_info(UniqueFileHandle(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
}

// A child of an open directory, by its name there: no path is walked again.
Opened open_child(HANDLE directory, const std::wstring& name, DWORD access) {
    UNICODE_STRING object_name{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                               static_cast<USHORT>(name.size() * sizeof(wchar_t)), const_cast<wchar_t*>(name.c_str())};
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &object_name, OBJ_CASE_INSENSITIVE, directory, nullptr);
    IO_STATUS_BLOCK status{};
    HANDLE child = nullptr;
    const NTSTATUS result = NtCreateFile(&child, access, &attributes, &status, nullptr, 0, SHARE_ALL, FILE_OPEN,
                                         FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
                                             FILE_SYNCHRONOUS_IO_NONALERT,
                                         nullptr, 0);
    if (!NT_SUCCESS(result)) {
        SetLastError(RtlNtStatusToDosError(result));
        return {};
    }
    return with_info(UniqueFileHandle(child));
}

std::wstring without_long_prefix(std::wstring path) {
    if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\" + path.substr(7);
    if (path.starts_with(L"\\\\?\\")) return path.substr(4);
    return path;
}

// The object's own name, "\\??\\C:\\..." where the system spells it so.
std::optional<std::wstring> object_name_of(HANDLE file) {
    std::vector<ULONGLONG> buffer(8192);  // 64 KiB, aligned
    ULONG length = 0;
    const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG));
    if (!NT_SUCCESS(NtQueryObject(file, ObjectNameInformation, buffer.data(), bytes, &length))) return std::nullopt;
    const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    std::wstring path(name->Buffer, name->Length / sizeof(wchar_t));
    if (!path.starts_with(L"\\??\\")) return std::nullopt;
    return path.substr(4);
}

// Wine 8 answers ERROR_MORE_DATA for any final path beyond MAX_PATH, however
// large the buffer; its object names are already DOS paths, so those stand in.
std::optional<std::wstring> final_path_of(HANDLE file) {
    std::wstring buffer(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(file, buffer.data(), static_cast<DWORD>(buffer.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) break;
        if (length < buffer.size()) {
            buffer.resize(length);
            return without_long_prefix(std::move(buffer));
        }
        buffer.resize(length);
    }
    return object_name_of(file);
}

// Under Wine a Unix symbolic link carries no reparse attribute and opens its
// target; the path the handle finally names is what gives it away, and it
// gives away a parent swapped for a link as well.
bool names_exactly(const Opened& opened, const std::wstring& path) {
    if (opened.is_link()) return false;
    const auto final = final_path_of(opened.handle.get());
    return final && CompareStringOrdinal(final->data(), static_cast<int>(final->size()), path.data(),
                                         static_cast<int>(path.size()), TRUE) == CSTR_EQUAL;
}

// A directory's contents are walked afresh, so only its identity counts.
bool is_as_listed(const Opened& opened, const CleanItem& item, const std::wstring& path) {
    if (!item.snapshot || !names_exactly(opened, path)) return false;
    if (opened.is_directory() != (item.type == ITEM_DIRECTORY)) return false;
    return snapshot_of(opened.handle.get()) == item.snapshot;
}

bool is_gone(const std::wstring& path) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Why an entry stayed; the first reason is kept, a link outranks the rest.
struct Refusal {
    std::string reason;
    void note(std::string why) {
        if (reason.empty() || why == HOLDS_LINK) reason = std::move(why);
    }
};

// Marks the open file or directory for deletion at close. The read-only bit
// is cleared through the same handle (Wine refuses the disposition
// otherwise), but never on a file with other links: they share the bit, and a
// document elsewhere would lose it.
bool dispose(const Opened& opened, Refusal& refusal) {
    if (opened.info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
        if (opened.info.nNumberOfLinks > 1) {
            refusal.note("read-only, with other links");
            return false;
        }
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = opened.info.dwFileAttributes & ~(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY);
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(opened.handle.get(), FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    if (SetFileInformationByHandle(opened.handle.get(), FileDispositionInfo, &disposition, sizeof disposition)) {
        return true;
    }
    refusal.note(last_error_text());
    return false;
}

struct DirectoryEntry {
    std::wstring name;
    DWORD attributes;
};

// Every entry of the open directory, read through its handle before anything
// in it is deleted.
std::vector<DirectoryEntry> entries_of(HANDLE directory) {
    std::vector<DirectoryEntry> entries;
    alignas(LONGLONG) static thread_local BYTE buffer[64 * 1024];
    while (GetFileInformationByHandleEx(directory, FileIdBothDirectoryInfo, buffer, sizeof buffer)) {
        for (const BYTE* at = buffer;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") entries.push_back({std::move(name), entry->FileAttributes});
            if (entry->NextEntryOffset == 0) break;
            at += entry->NextEntryOffset;
        }
    }
    return entries;
}

bool empty_directory(const Opened& directory, const std::wstring& path, Refusal& refusal);

// A child goes only when it is what its name says: no link, no name that does
// not survive conversion, nothing whose final path leads elsewhere.
bool remove_child(const Opened& directory, const std::wstring& path, const DirectoryEntry& entry, Refusal& refusal) {
    const auto name = narrow(entry.name);
    if (!name || !is_faithful_name(*name)) {
        refusal.note("holds a name that cannot be acted on");
        return false;
    }
    const bool is_directory = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        refusal.note(HOLDS_LINK);
        return false;
    }
    const Opened child = open_child(directory.handle.get(), entry.name, REMOVE | (is_directory ? FILE_LIST_DIRECTORY : 0));
    if (!child.handle) {
        refusal.note(last_error_text());
        return false;
    }
    const std::wstring child_path = path + L"\\" + entry.name;
    if (!names_exactly(child, child_path) || child.is_directory() != is_directory) {
        refusal.note(HOLDS_LINK);
        return false;
    }
    if (is_directory && !empty_directory(child, child_path, refusal)) return false;
    return dispose(child, refusal);
}

bool empty_directory(const Opened& directory, const std::wstring& path, Refusal& refusal) {
    bool emptied = true;
    for (const DirectoryEntry& entry : entries_of(directory.handle.get())) {
        emptied = remove_child(directory, path, entry, refusal) && emptied;
    }
    return emptied;
}

// Deletes through an open, checked handle; the item's fate is known only once
// the handle is closed and the name is looked up again.
void delete_opened(CleanItem& item, Opened opened, const std::wstring& path) {
    Refusal refusal;
    const bool emptied = !opened.is_directory() || empty_directory(opened, path, refusal);
    const bool disposed = emptied && dispose(opened, refusal);
    opened.handle.reset();
    if (disposed && is_gone(path)) {
        settle_removed(item, Removal::deleted);
    } else {
        settle_failed(item, refusal.reason.empty() ? std::string(CHANGED) : refusal.reason);
    }
}

// Holds every directory from the root down to the item's parent open without
// delete sharing, so none of them can be renamed or swapped while it lives.
class PinnedPath {
public:
    PinnedPath(const std::wstring& root, const std::wstring& path) {
        if (path.size() <= root.size() + 1 || path[root.size()] != L'\\' ||
            _wcsnicmp(path.c_str(), root.c_str(), root.size()) != 0) {
            held_ = false;
            return;
        }
        // The root may itself be a link: it was resolved once, at the scan.
        pin(UniqueFileHandle(CreateFileW(root.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
        for (auto slash = path.find(L'\\', root.size() + 1); held_ && slash != std::wstring::npos;
             slash = path.find(L'\\', slash + 1)) {
            const std::wstring directory = path.substr(0, slash);
            Opened opened = open_unfollowed(directory, INSPECT, FILE_SHARE_READ | FILE_SHARE_WRITE);
            held_ = opened.handle && names_exactly(opened, directory);
            pin(std::move(opened.handle));
        }
    }
    bool held() const { return held_; }

private:
    void pin(UniqueFileHandle handle) {
        held_ = held_ && static_cast<bool>(handle);
        pins_.push_back(std::move(handle));
    }
    std::vector<UniqueFileHandle> pins_;
    bool held_ = true;
};

}  // namespace

ProbedFile probe_listed_file(const std::string& path, const WIN32_FIND_DATAA& entry, FileIdentity identity) {
    constexpr DWORD EXCLUSIVE = GENERIC_READ | GENERIC_WRITE;
    constexpr DWORD UNFOLLOWED = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
    ProbedFile probed;
    const UniqueFileHandle file(CreateFileW(widen(path).c_str(), EXCLUSIVE, 0, nullptr, OPEN_EXISTING, UNFOLLOWED, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return probed;
        // Held, or read-only: listed all the same, as the listing saw it.
        probed.locked = error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
    }
    probed.snapshot = FileSnapshot{identity, find_data_size(entry), find_data_write_time(entry)};
    return probed;
}

std::optional<std::uint32_t> volume_serial_of(const std::string& directory) {
    const Opened opened = open_unfollowed(widen(directory), INSPECT);
    if (!opened.handle) return std::nullopt;
    return opened.info.dwVolumeSerialNumber;
}

std::optional<FileSnapshot> listed_snapshot(const std::string& path, bool directory) {
    const std::wstring wide = widen(path);
    const Opened opened = open_unfollowed(wide, INSPECT);
    if (!opened.handle || !names_exactly(opened, wide) || opened.is_directory() != directory) return std::nullopt;
    return snapshot_of(opened.handle.get());
}

std::optional<ResolvedDirectory> resolve_directory(const std::string& path) {
    const Opened opened = with_info(UniqueFileHandle(CreateFileW(
        widen(path).c_str(), INSPECT, SHARE_ALL, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)));
    if (!opened.handle || !opened.is_directory()) return std::nullopt;
    const auto final = final_path_of(opened.handle.get());
    const auto narrow_path = final ? narrow(*final) : std::nullopt;
    const auto identity = identity_of(opened.handle.get());
    if (!narrow_path || !identity || !is_faithful_path(*narrow_path)) return std::nullopt;
    return ResolvedDirectory{*narrow_path, *identity};
}

void delete_listed(CleanItem& item) {
    const std::wstring path = widen(item.path);
    Opened opened = open_unfollowed(path, REMOVE | (item.type == ITEM_DIRECTORY ? FILE_LIST_DIRECTORY : 0));
    if (!opened.handle) {
        settle_failed(item, last_error_text());
    } else if (!is_as_listed(opened, item, path)) {
        settle_failed(item, CHANGED);
    } else {
        delete_opened(item, std::move(opened), path);
    }
}

void recycle_listed(CleanItem& item, const std::string& root) {
    const std::wstring path = widen(item.path);
    {
        const PinnedPath pinned(widen(root), path);
        const Opened opened = open_unfollowed(path, INSPECT);
        if (!pinned.held() || !opened.handle || !is_as_listed(opened, item, path)) {
            settle_failed(item, opened.handle || !pinned.held() ? std::string(CHANGED) : last_error_text());
            return;
        }
        if (send_to_recycle_bin(item.path) && is_gone(path)) {
            settle_removed(item, Removal::recycled);
            return;
        }
    }
    delete_listed(item);
}
