#include "engine/registry_backup.h"

#include "engine/text_conversion.h"
#include "engine/win32_handle.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int MAX_NAME_ATTEMPTS = 100;

std::wstring quoted(const std::wstring& text) {
    std::wstring result = L"\"";
    for (wchar_t c : text) {
        if (c == L'\\' || c == L'"') result += L'\\';
        result += c;
    }
    return result + L"\"";
}

struct ValueData {
    DWORD type = REG_NONE;
    std::vector<BYTE> bytes;
};

// Nothing when the value (or its key) does not exist; an error when it exists but cannot be read.
enum class ReadOutcome { read, missing, failed };

ReadOutcome read_value(const RegistryValueLocation& location, ValueData& value) {
    UniqueRegistryKey key;
    const std::wstring subkey = widen(location.subkey);
    LSTATUS status = RegOpenKeyExW(location.root, subkey.empty() ? nullptr : subkey.c_str(), 0, KEY_READ, key.put());
    if (status == ERROR_FILE_NOT_FOUND) return ReadOutcome::missing;
    if (status != ERROR_SUCCESS) return ReadOutcome::failed;
    const std::wstring name = widen(location.value_name);
    DWORD size = 0;
    status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return ReadOutcome::missing;
    if (status != ERROR_SUCCESS) return ReadOutcome::failed;
    value.bytes.resize(size);
    status = RegQueryValueExW(key.get(), name.c_str(), nullptr, &value.type, value.bytes.data(), &size);
    if (status != ERROR_SUCCESS) return ReadOutcome::failed;
    value.bytes.resize(size);
    return ReadOutcome::read;
}

// A string that round-trips through the quoted form: ends with its NUL and
// holds no other NUL and no line break.
bool plain_string(const ValueData& value, std::wstring& text) {
    if (value.type != REG_SZ || value.bytes.size() < 2 || value.bytes.size() % 2 != 0) return false;
    text.assign(reinterpret_cast<const wchar_t*>(value.bytes.data()), value.bytes.size() / 2);
    if (text.back() != L'\0') return false;
    text.pop_back();
    return text.find_first_of(std::wstring(L"\0\r\n", 3)) == std::wstring::npos;
}

std::wstring data_text(const ValueData& value) {
    std::wstring text;
    if (plain_string(value, text)) return quoted(text);
    wchar_t number[32];
    if (value.type == REG_DWORD && value.bytes.size() == 4) {
        DWORD dword;
        memcpy(&dword, value.bytes.data(), 4);
        std::swprintf(number, 32, L"dword:%08lx", static_cast<unsigned long>(dword));
        return number;
    }
    // Every other type and shape keeps its exact bytes: hex(<type>):xx,xx,...
    std::swprintf(number, 32, value.type == REG_BINARY ? L"hex:" : L"hex(%lx):", static_cast<unsigned long>(value.type));
    text = number;
    for (std::size_t i = 0; i < value.bytes.size(); ++i) {
        std::swprintf(number, 32, i == 0 ? L"%02x" : L",%02x", value.bytes[i]);
        text += number;
    }
    return text;
}

std::wstring key_line(const RegistryValueLocation& location) {
    std::wstring key = widen(location.root_name);
    if (!location.subkey.empty()) key += L"\\" + widen(location.subkey);
    return L"[" + key + L"]\r\n";
}

std::optional<std::wstring> backup_text(std::span<const RegistryValueLocation> values) {
    std::wstring text = L"Windows Registry Editor Version 5.00\r\n";
    std::wstring current_key;
    for (const RegistryValueLocation& location : values) {
        ValueData value;
        const ReadOutcome outcome = read_value(location, value);
        if (outcome == ReadOutcome::failed) return std::nullopt;
        if (outcome == ReadOutcome::missing) continue;  // nothing there to restore
        const std::wstring key = key_line(location);
        if (key != current_key) text += L"\r\n" + key;
        current_key = key;
        const std::wstring name = location.value_name.empty() ? L"@" : quoted(widen(location.value_name));
        text += name + L"=" + data_text(value) + L"\r\n";
    }
    return text + L"\r\n";
}

std::optional<std::string> backup_directory() {
    char base[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", base, sizeof base);
    if (length == 0 || length >= sizeof base) return std::nullopt;
    std::string directory = base;
    for (const char* part : {"\\Tidewick", "\\Backups"}) {
        directory += part;
        if (!CreateDirectoryA(directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
            return std::nullopt;
        }
    }
    return directory;
}

// A new file named after the local date and time; a second backup within the
// same second gets a numbered name instead of replacing the first.
UniqueFileHandle create_backup_file(const std::string& directory, std::string& path) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                  now.wMinute, now.wSecond);
    for (int attempt = 1; attempt <= MAX_NAME_ATTEMPTS; ++attempt) {
        path = directory + "\\registry-backup-" + stamp + (attempt > 1 ? "-" + std::to_string(attempt) : "") + ".reg";
        UniqueFileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || GetLastError() != ERROR_FILE_EXISTS) return file;
    }
    return UniqueFileHandle();
}

bool write_all(HANDLE file, const std::wstring& text) {
    static constexpr BYTE byte_order_mark[] = {0xFF, 0xFE};
    DWORD written = 0;
    if (!WriteFile(file, byte_order_mark, sizeof byte_order_mark, &written, nullptr) || written != 2) return false;
    const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (!WriteFile(file, text.data(), bytes, &written, nullptr) || written != bytes) return false;
    // On disk before anything is deleted.
    return FlushFileBuffers(file) != 0;
}

}  // namespace

std::optional<RegistryValueSnapshot> read_registry_value(const RegistryValueLocation& location) {
    ValueData value;
    if (read_value(location, value) != ReadOutcome::read) return std::nullopt;
    return RegistryValueSnapshot{value.type, std::string(value.bytes.begin(), value.bytes.end())};
}

std::optional<std::string> write_registry_backup(std::span<const RegistryValueLocation> values) {
    const auto text = backup_text(values);
    if (!text) return std::nullopt;
    const auto directory = backup_directory();
    if (!directory) return std::nullopt;
    std::string path;
    UniqueFileHandle file = create_backup_file(*directory, path);
    if (!file) return std::nullopt;
    if (!write_all(file.get(), *text)) {
        file.reset();
        DeleteFileA(path.c_str());
        return std::nullopt;
    }
    return path;
}
