#pragma once
// Opening files for reading alongside other readers, reading them in chunks,
// and telling which file an open handle names.

#include "engine/records.h"
#include "engine/win32_handle.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

// Opens an existing file for sequential reading while others may read it too.
// A file somebody holds with a stricter share mode cannot be opened.
UniqueFileHandle open_for_shared_reading(const std::string& path);

// Fills as much of `buffer` as the file still has; the byte count read, or
// nothing when a read failed.
std::optional<std::size_t> read_chunk(HANDLE file, std::span<char> buffer);

// Moves the read position to `offset` bytes from the start.
bool seek_to(HANDLE file, std::uint64_t offset);

std::optional<FileIdentity> identity_of(HANDLE file);
// Identity, size and last-write time of what the handle names; a directory's
// size and time are left 0, since only its identity is compared.
std::optional<FileSnapshot> snapshot_of(HANDLE file);
