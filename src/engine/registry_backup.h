#pragma once
// Backups of registry values in the registry editor's import format, written
// before values are deleted so that every deletion can be undone.

#include "engine/records.h"

#include <windows.h>

#include <optional>
#include <span>
#include <string>

struct RegistryValueLocation {
    HKEY root = nullptr;
    std::string root_name;  // "HKEY_CURRENT_USER", ...
    std::string subkey;     // empty for the root key itself
    std::string value_name;
};

// The value's type and raw data as stored now; nothing when it is missing or
// cannot be read.
std::optional<RegistryValueSnapshot> read_registry_value(const RegistryValueLocation& location);

// Writes every listed value that exists, with its type and data, to a new
// "registry-backup-YYYYMMDD-HHMMSS.reg" file under %LOCALAPPDATA%\Tidewick\Backups
// (UTF-16 with a byte-order mark, as the registry editor writes them). Returns
// the file's full path, or nothing when a value could not be read or the file
// could not be written completely; no partial file is left behind.
std::optional<std::string> write_registry_backup(std::span<const RegistryValueLocation> values);
