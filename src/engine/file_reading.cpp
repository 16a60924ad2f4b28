#include "engine/file_reading.h"

#include <algorithm>
#include <limits>

UniqueFileHandle open_for_shared_reading(const std::string& path) {
    return UniqueFileHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
}

std::optional<std::size_t> read_chunk(HANDLE file, std::span<char> buffer) {
    std::size_t filled = 0;
    // ReadFile may return less than asked before the end; keep going until the
    // buffer is full or a read returns nothing, so equal files give equal chunks.
    while (filled < buffer.size()) {
        const DWORD wanted = static_cast<DWORD>(
            std::min<std::size_t>(buffer.size() - filled, std::numeric_limits<DWORD>::max()));
        DWORD got = 0;
        if (!ReadFile(file, buffer.data() + filled, wanted, &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        filled += got;
    }
    return filled;
}

bool seek_to(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) != 0;
}

namespace {

std::uint64_t joined(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

}  // namespace

std::optional<FileIdentity> identity_of(HANDLE file) {
    const auto snapshot = snapshot_of(file);
    if (!snapshot) return std::nullopt;
    return snapshot->identity;
}

std::optional<FileSnapshot> snapshot_of(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
    FileSnapshot snapshot{{info.dwVolumeSerialNumber, joined(info.nFileIndexHigh, info.nFileIndexLow)}};
    if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        snapshot.size = joined(info.nFileSizeHigh, info.nFileSizeLow);
        snapshot.last_write = joined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    }
    return snapshot;
}
