#include "support/fixture_tree.h"

#include "engine/directory_listing.h"
#include "engine/win32_handle.h"
#include "support/directory_link.h"

#include <atomic>
#include <stdexcept>

std::wstring wide_path(const std::string& utf8) {
    std::wstring wide(utf8.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                                    static_cast<int>(wide.size())));
    return wide;
}

namespace {

// The "\\?\" form of the wide calls, which also reaches paths too long for the
// "A" calls: tests build such paths to show the cleaner never acts on them.
std::wstring long_form(const std::string& path) { return L"\\\\?\\" + wide_path(path); }

void make_parents(const std::string& path) {
    for (std::size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1)) {
        CreateDirectoryW(long_form(path.substr(0, slash)).c_str(), nullptr);
    }
}

}  // namespace

FixtureTree::FixtureTree(const std::string& tag) {
    static std::atomic<int> counter{0};
    root_ = "Z:\\tmp\\twk-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++);
    remove_tree(root_);
    make_parents(root_ + "\\");
}

FixtureTree::~FixtureTree() { remove_tree(root_); }

std::string FixtureTree::path(const std::string& relative) const {
    return relative.empty() ? root_ : root_ + "\\" + relative;
}

std::string FixtureTree::make_dir(const std::string& relative) const {
    const std::string full = path(relative);
    make_parents(full + "\\");
    return full;
}

std::string FixtureTree::write_file(const std::string& relative, std::uint64_t size) const {
    return write_text(relative, std::string(size, 'x'));
}

std::string FixtureTree::write_text(const std::string& relative, const std::string& content) const {
    const std::string full = path(relative);
    make_parents(full);
    UniqueFileHandle file(CreateFileW(long_form(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD done = 0;
    if (!file || !WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &done, nullptr) ||
        done != content.size()) {
        throw std::runtime_error("cannot write " + full);
    }
    return full;
}

void FixtureTree::set_age_seconds(const std::string& relative, std::int64_t seconds) const {
    const std::string full = path(relative);
    // Backup semantics let the same call open a directory.
    UniqueFileHandle file(CreateFileW(long_form(full).c_str(), FILE_WRITE_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) throw std::runtime_error("cannot open " + full);
    const std::uint64_t when = current_file_time() - static_cast<std::uint64_t>(seconds) * 10000000ULL;
    FILETIME time{static_cast<DWORD>(when), static_cast<DWORD>(when >> 32)};
    if (!SetFileTime(file.get(), nullptr, nullptr, &time)) throw std::runtime_error("cannot date " + full);
}

void FixtureTree::add_attributes(const std::string& relative, unsigned long attributes) const {
    const std::wstring full = long_form(path(relative));
    SetFileAttributesW(full.c_str(), GetFileAttributesW(full.c_str()) | attributes);
}

bool FixtureTree::exists(const std::string& relative) const {
    return GetFileAttributesW(long_form(path(relative)).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Only a tree that is there: Wine does not wait for the Unix program, which
// could otherwise remove what the caller makes next.
void remove_tree(const std::string& path) {
    if (GetFileAttributesW(long_form(path).c_str()) != INVALID_FILE_ATTRIBUTES) remove_from_unix(path);
}
