#include "engine/file_locks.h"

#include "engine/directory_listing.h"
#include "engine/win32_handle.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

const LockQueryApi real_api{RmStartSession,  RmRegisterResources, RmGetList,
                            RmEndSession,    OpenProcess,         QueryFullProcessImageNameA};
LockQueryApi active_api = real_api;

// Ends the session on every way out once it has started.
class RestartManagerSession {
public:
    RestartManagerSession() {
        WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
        started_ = active_api.start_session(&handle_, 0, key) == ERROR_SUCCESS;
    }
    ~RestartManagerSession() {
        if (started_) active_api.end_session(handle_);
    }
    RestartManagerSession(const RestartManagerSession&) = delete;
    RestartManagerSession& operator=(const RestartManagerSession&) = delete;

    bool started() const { return started_; }
    DWORD handle() const { return handle_; }

private:
    DWORD handle_ = 0;
    bool started_ = false;
};

bool register_file(const RestartManagerSession& session, const std::string& path) {
    WCHAR wide[PATH_BUFFER_SIZE];
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, PATH_BUFFER_SIZE)) return false;
    LPCWSTR files[] = {wide};
    return active_api.register_resources(session.handle(), 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS;
}

// The first process using the file, when the Restart Manager names any and
// at most five do: more than that answers "more data" again and names nobody.
std::optional<RM_PROCESS_INFO> first_user(const RestartManagerSession& session) {
    std::array<RM_PROCESS_INFO, MAX_LOCKER_RECORDS> records{};
    UINT needed = 0, count = 0;
    DWORD reasons = 0;
    DWORD status = active_api.get_list(session.handle(), &needed, &count, nullptr, &reasons);
    if (status == ERROR_MORE_DATA) {
        count = std::min(needed, MAX_LOCKER_RECORDS);
        status = active_api.get_list(session.handle(), &needed, &count, records.data(), &reasons);
    }
    if (status != ERROR_SUCCESS || count == 0) return std::nullopt;
    return records[0];
}

std::optional<std::string> application_name(const RM_PROCESS_INFO& record) {
    char name[LOCKER_NAME_MAX + 1] = {};
    if (!WideCharToMultiByte(CP_ACP, 0, record.strAppName, -1, name, sizeof name, nullptr, nullptr)) {
        return std::nullopt;
    }
    return std::string(name);
}

std::optional<std::string> image_base_name(DWORD pid) {
    UniqueHandle process(active_api.open_process(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return std::nullopt;
    char image[PATH_BUFFER_SIZE] = {};
    DWORD size = PATH_BUFFER_SIZE;
    if (!active_api.query_image_name(process.get(), 0, image, &size)) return std::nullopt;
    return std::string(base_name(image));
}

// The executable's name when the process lets itself be asked, otherwise the
// display name the Restart Manager gives it.
std::optional<LockHolder> name_holder(const RM_PROCESS_INFO& record) {
    auto name = image_base_name(record.Process.dwProcessId);
    if (!name) name = application_name(record);
    if (!name) return std::nullopt;
    if (name->size() > LOCKER_NAME_MAX) name->resize(LOCKER_NAME_MAX);
    return LockHolder{std::move(*name), record.Process.dwProcessId};
}

}  // namespace

bool probe_file_lock(const std::string& path) {
    UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file) return false;
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

std::optional<LockHolder> is_file_locked(const std::string& path) {
    {
        RestartManagerSession session;
        if (!session.started() || !register_file(session, path)) return std::nullopt;
        if (auto record = first_user(session)) {
            if (auto holder = name_holder(*record)) return holder;
        }
    }  // the session ends before the fallback probe
    if (probe_file_lock(path)) return LockHolder{UNKNOWN_LOCKER_NAME, 0};
    return std::nullopt;
}

bool apply_lock_state(CleanItem& item, const std::string& file) {
    if (!probe_file_lock(file)) return false;
    mark_locked(item, file);
    return true;
}

void mark_locked(CleanItem& item, const std::string& file) {
    item.locked = true;
    item.selected = false;
    item.locker_pid = 0;
    if (auto holder = is_file_locked(file)) {
        item.locked_by = std::move(holder->name);
        item.locker_pid = holder->pid;
    }
}

const LockQueryApi& real_lock_query_api() { return real_api; }

LockQueryApi install_lock_query_api(const LockQueryApi& api) { return std::exchange(active_api, api); }
