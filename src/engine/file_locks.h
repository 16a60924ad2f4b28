#pragma once
// Is a file held open by another process, and by which one?
//
// The probe is one exclusive open, cheap enough for every candidate file.
// Naming the holder asks the Restart Manager, a session per file, so it is
// done only for files the probe found locked.

#include "engine/records.h"

#include <windows.h>
#include <restartmanager.h>

#include <cstdint>
#include <optional>
#include <string>

inline constexpr const char* UNKNOWN_LOCKER_NAME = "System or Unknown Process";
inline constexpr std::size_t LOCKER_NAME_MAX = 255;
inline constexpr UINT MAX_LOCKER_RECORDS = 5;

struct LockHolder {
    std::string name;  // the executable's base name, at most 255 bytes
    std::uint32_t pid = 0;
};

// True when the file cannot be opened exclusively because somebody holds it.
// Any other failure (missing, access denied) is not a lock.
bool probe_file_lock(const std::string& path);

// Who holds a locked file: the first process the Restart Manager names, or
// "System or Unknown Process" with pid 0 when it names nobody but the file is
// still locked. Nothing when the file is free again or nobody can be asked.
std::optional<LockHolder> is_file_locked(const std::string& path);

// Probes `file` (the item's own path, or a file inside a directory item). When
// it is locked the item is marked locked and unselected, with the holder's
// name and pid when one can be found. True when the file is locked.
bool apply_lock_state(CleanItem& item, const std::string& file);
// The same for a file already found held: marks the item and names the holder.
void mark_locked(CleanItem& item, const std::string& file);

// The system calls behind is_file_locked, swappable so tests can play a
// Restart Manager that names processes (Wine's never does).
struct LockQueryApi {
    decltype(&RmStartSession) start_session;
    decltype(&RmRegisterResources) register_resources;
    decltype(&RmGetList) get_list;
    decltype(&RmEndSession) end_session;
    decltype(&OpenProcess) open_process;
    decltype(&QueryFullProcessImageNameA) query_image_name;
};

const LockQueryApi& real_lock_query_api();
// Replaces the calls until the returned previous table is installed again.
LockQueryApi install_lock_query_api(const LockQueryApi& api);
