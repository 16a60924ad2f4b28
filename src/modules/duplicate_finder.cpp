#include "modules/duplicate_finder.h"

#include "engine/directory_listing.h"
#include "engine/file_reading.h"
#include "engine/file_system.h"
#include "engine/md5_hasher.h"
#include "engine/recycle_bin.h"
#include "modules/reported_clean.h"

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <forward_list>
#include <functional>
#include <iterator>
#include <future>
#include <map>
#include <optional>
#include <set>

namespace {

// The user's own folders searched by default, in this order.
static constexpr std::array<const KNOWNFOLDERID*, 6> default_search_folders{
    &FOLDERID_Desktop, &FOLDERID_Documents, &FOLDERID_Downloads,
    &FOLDERID_Music,   &FOLDERID_Pictures,  &FOLDERID_Videos,
};
static constexpr std::uint64_t MIN_FILE_SIZE = 10485760;  // 10 MiB
static constexpr std::size_t HASH_BUCKETS = 1024;
static constexpr std::size_t PREFIX_BYTES = 4096;
// Same-size files are compared in lockstep, one chunk of each at a time. A
// worker holds at most MAX_OPEN_FILES files open, with one chunk and the last
// PREFIX_BYTES of each (about 8 MiB in all), however many files share a size.
static constexpr std::size_t MAX_OPEN_FILES = 32;
static constexpr std::size_t COMPARE_CHUNK = 256 * 1024;

// One group of identical files, as the digest table keeps it.
struct FileHashEntry {
    std::string digest;        // 32 lowercase hexadecimal digits
    std::string first_path;    // the first file of the group met by the walk
    std::uint64_t size = 0;
    std::uint64_t duplicate_count = 0;
};

struct ModuleState {
    std::array<std::forward_list<FileHashEntry>, HASH_BUCKETS> hash_table;
    std::optional<std::vector<std::string>> search_paths;  // none: the user's own folders
    std::uint64_t min_file_size = MIN_FILE_SIZE;
    bool include_hidden = false;
    bool include_system = false;
};
ModuleState state;

// A file that passed the size and attribute filters, numbered in walk order.
struct Candidate {
    std::string path;
    std::uint64_t size = 0;
    std::size_t order = 0;
};

std::string trimmed(std::string path) {
    while (path.size() > 1 && path.back() == '\\') path.pop_back();
    return path;
}

// ---- default search directories ----

std::optional<std::string> ansi_path(const wchar_t* wide) {
    // With UTF-8 as the ANSI code page every path converts, and the flags below are refused.
    const bool utf8 = GetACP() == CP_UTF8;
    BOOL lossy = FALSE;
    char buffer[PATH_BUFFER_SIZE];
    const int length = WideCharToMultiByte(CP_ACP, utf8 ? 0 : WC_NO_BEST_FIT_CHARS, wide, -1, buffer, sizeof buffer,
                                           nullptr, utf8 ? nullptr : &lossy);
    if (length <= 0 || lossy) return std::nullopt;  // a path the "A" functions cannot name
    return std::string(buffer);
}

std::optional<std::string> existing_known_folder(const KNOWNFOLDERID& id) {
    wchar_t* wide = nullptr;
    std::optional<std::string> path;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &wide))) path = ansi_path(wide);
    CoTaskMemFree(wide);
    if (!path) return std::nullopt;
    const DWORD attributes = GetFileAttributesA(path->c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    return trimmed(std::move(*path));
}

bool lies_within(const std::string& inner, const std::string& outer) {
    if (inner.size() < outer.size()) return false;
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, inner.c_str(), static_cast<int>(outer.size()),
                       outer.c_str(), static_cast<int>(outer.size())) != CSTR_EQUAL) {
        return false;
    }
    return inner.size() == outer.size() || inner[outer.size()] == '\\';
}

// A folder inside another one of the list (Documents moved under Desktop, two
// folders redirected to one place, or a directory given twice) would only be
// walked twice.
std::vector<std::string> without_nested(const std::vector<std::string>& folders) {
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        bool nested = false;
        for (std::size_t j = 0; j < folders.size() && !nested; ++j) {
            if (i == j || !lies_within(folders[i], folders[j])) continue;
            // Two equal entries: the first one stays.
            nested = folders[i].size() != folders[j].size() || j < i;
        }
        if (!nested) kept.push_back(folders[i]);
    }
    return kept;
}

std::vector<std::string> default_search_paths() {
    std::vector<std::string> folders;
    for (const KNOWNFOLDERID* id : default_search_folders) {
        if (auto folder = existing_known_folder(*id)) folders.push_back(std::move(*folder));
    }
    return folders;
}

// The user's folders are looked up when first needed: the lookup loads the
// shell, which a run that never scans (`twk version`) should not wait for.
const std::vector<std::string>& search_paths() {
    if (!state.search_paths) duplicate_finder_set_search_paths(default_search_paths());
    return *state.search_paths;
}

// ---- walking ----

bool passes_filters(const WIN32_FIND_DATAA& entry) {
    if (find_data_size(entry) < state.min_file_size) return false;
    if (!is_content_on_disk(entry.dwFileAttributes)) return false;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) && !state.include_hidden) return false;
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) && !state.include_system) return false;
    return true;
}

// Depth first, in enumeration order. A path too long for the path buffer is
// skipped rather than cut, and a junction or directory link is not entered:
// its target lies elsewhere and may contain this very directory. A loop that
// carries no link attribute (a bind mount) is stopped by the ancestor chain.
void scan_directory_for_duplicates(const std::string& directory, std::vector<Candidate>& candidates,
                                   AncestorChain& chain, const WIN32_FIND_DATAA* own = nullptr) {
    AncestorChain::Step step(chain, directory, own);
    if (!step.entered()) return;
    DirectoryListing listing(directory);
    while (const WIN32_FIND_DATAA* entry = listing.next()) {
        auto path = join_path(directory, entry->cFileName);
        if (!path) continue;
        if (is_directory(*entry)) {
            if (!is_reparse_point(*entry)) scan_directory_for_duplicates(*path, candidates, chain, entry);
        } else if (passes_filters(*entry)) {
            candidates.push_back({std::move(*path), find_data_size(*entry), candidates.size()});
        }
    }
}

// Only files that share their size with another candidate can have a copy.
// The largest sets come first, so that the workers sharing them finish close
// together.
std::vector<std::vector<const Candidate*>> same_size_sets(const std::vector<Candidate>& candidates) {
    std::map<std::uint64_t, std::vector<const Candidate*>, std::greater<>> by_size;
    for (const Candidate& candidate : candidates) by_size[candidate.size].push_back(&candidate);
    std::vector<std::vector<const Candidate*>> sets;
    for (auto& [size, members] : by_size) {
        if (members.size() > 1) sets.push_back(std::move(members));
    }
    return sets;
}

// ---- comparing ----

// A candidate being compared: its open file, the last chunk read from it and
// its last bytes.
struct OpenMember {
    const Candidate* candidate;
    UniqueFileHandle file;
    std::string chunk;
    std::string tail;
};
using MemberGroup = std::vector<OpenMember*>;

// Opens a candidate and reads its first PREFIX_BYTES into `prefix`. A file
// that cannot be opened for shared reading is left out, and so is a file met
// a second time (a hard link, or overlapping search directories): it counts
// only where it was met first.
UniqueFileHandle open_first_time(const Candidate& candidate, std::set<FileIdentity>& seen, std::string& prefix) {
    UniqueFileHandle file = open_for_shared_reading(candidate.path);
    if (!file) return {};
    const auto identity = identity_of(file.get());
    if (!identity || !seen.insert(*identity).second) return {};
    prefix.resize(std::min<std::uint64_t>(PREFIX_BYTES, candidate.size));
    const auto got = read_chunk(file.get(), prefix);
    if (!got) return {};
    prefix.resize(*got);
    return file;
}

// Files often differ only near their end (a tag, an appended record), so the
// last bytes are compared as well before the long read between.
std::optional<std::string> read_tail(HANDLE file, std::uint64_t size, std::size_t read_so_far) {
    std::string tail;
    if (size <= read_so_far) return tail;
    const std::uint64_t start = std::max<std::uint64_t>(read_so_far, size - PREFIX_BYTES);
    tail.resize(size - start);
    const auto got = seek_to(file, start) ? read_chunk(file, tail) : std::nullopt;
    if (!got || !seek_to(file, read_so_far)) return std::nullopt;
    tail.resize(*got);
    return tail;
}

std::vector<OpenMember> open_distinct_files(const std::vector<const Candidate*>& set) {
    std::vector<OpenMember> members;
    std::set<FileIdentity> seen;
    for (const Candidate* candidate : set) {
        std::string prefix;
        UniqueFileHandle file = open_first_time(*candidate, seen, prefix);
        auto tail = file ? read_tail(file.get(), candidate->size, prefix.size()) : std::nullopt;
        if (tail) members.push_back({candidate, std::move(file), std::move(prefix), std::move(*tail)});
    }
    return members;
}

// Splits a group by the chunk each member last read and by its last bytes;
// members keep walk order and groups of one are dropped.
std::vector<MemberGroup> split_by_chunk(const MemberGroup& group) {
    std::vector<MemberGroup> parts;
    for (OpenMember* member : group) {
        auto same = std::find_if(parts.begin(), parts.end(), [&](const MemberGroup& part) {
            return part.front()->chunk == member->chunk && part.front()->tail == member->tail;
        });
        if (same == parts.end()) {
            parts.push_back({member});
        } else {
            same->push_back(member);
        }
    }
    std::erase_if(parts, [](const MemberGroup& part) { return part.size() < 2; });
    return parts;
}

bool read_next_chunks(MemberGroup& group, std::size_t chunk_bytes) {
    bool any_data = false;
    for (OpenMember* member : group) {
        member->chunk.resize(chunk_bytes);
        const auto got = read_chunk(member->file.get(), member->chunk);
        // A failed read ends the input, as it ends a digest.
        member->chunk.resize(got.value_or(0));
        any_data = any_data || !member->chunk.empty();
    }
    return any_data;
}

// One group of identical files, with the digest of its first file.
struct ConfirmedGroup {
    std::vector<const Candidate*> members;
    std::string digest;
};

// A group still being compared, with the digest of the contents its members
// have shared so far.
struct PendingGroup {
    MemberGroup members;
    Md5Digest digest;
};

// Every part of a split goes on from the digest of the contents shared so far
// and takes in the chunk its own members share. A part whose digest fails is
// dropped.
void continue_digests(std::vector<MemberGroup> parts, Md5Digest shared, std::vector<PendingGroup>& pending) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
        auto digest = i + 1 < parts.size() ? shared.duplicate() : std::optional<Md5Digest>(std::move(shared));
        if (digest && digest->add(parts[i].front()->chunk)) pending.push_back({std::move(parts[i]), std::move(*digest)});
    }
}

std::vector<const Candidate*> candidates_of(const MemberGroup& group) {
    std::vector<const Candidate*> candidates;
    for (const OpenMember* member : group) candidates.push_back(member->candidate);
    return candidates;
}

// Reads the members of a same-size set in lockstep, splitting them wherever
// contents differ, until every remaining group has reached the end together.
// Each group's digest takes in its first file's chunks as they are read, so
// no file is read twice.
std::vector<ConfirmedGroup> confirm_identical(MemberGroup all, const Md5Hasher& hasher) {
    std::vector<ConfirmedGroup> confirmed;
    auto empty_digest = hasher.start();
    if (all.size() < 2 || !empty_digest) return confirmed;
    std::vector<PendingGroup> pending;
    continue_digests(split_by_chunk(all), std::move(*empty_digest), pending);
    while (!pending.empty()) {
        PendingGroup current = std::move(pending.back());
        pending.pop_back();
        if (read_next_chunks(current.members, COMPARE_CHUNK)) {
            continue_digests(split_by_chunk(current.members), std::move(current.digest), pending);
        } else if (auto digest = current.digest.hex()) {
            confirmed.push_back({candidates_of(current.members), std::move(*digest)});
        }
    }
    return confirmed;
}

std::vector<ConfirmedGroup> compare_in_lockstep(const std::vector<const Candidate*>& set, const Md5Hasher& hasher) {
    std::vector<OpenMember> members = open_distinct_files(set);
    MemberGroup all;
    for (OpenMember& member : members) all.push_back(&member);
    return confirm_identical(std::move(all), hasher);
}

// The files of a set too large to hold open together, parted by their first
// bytes, one file open at a time. Parts keep walk order.
std::vector<std::vector<const Candidate*>> split_by_prefix(const std::vector<const Candidate*>& set) {
    std::map<std::size_t, std::vector<const Candidate*>> parts;
    std::set<FileIdentity> seen;
    std::string prefix;
    for (const Candidate* candidate : set) {
        if (open_first_time(*candidate, seen, prefix)) parts[std::hash<std::string>{}(prefix)].push_back(candidate);
    }
    std::vector<std::vector<const Candidate*>> kept;
    for (auto& [fingerprint, part] : parts) {
        if (part.size() > 1) kept.push_back(std::move(part));
    }
    return kept;
}

std::optional<std::string> file_digest(const std::string& path, const Md5Hasher& hasher, std::string& buffer) {
    UniqueFileHandle file = open_for_shared_reading(path);
    auto digest = hasher.start();
    if (!file || !digest) return std::nullopt;
    for (;;) {
        buffer.resize(COMPARE_CHUNK);
        const auto got = read_chunk(file.get(), buffer);
        if (!got || *got == 0) return digest->hex();  // a failed read ends the input
        buffer.resize(*got);
        if (!digest->add(buffer)) return std::nullopt;
    }
}

// A part still too large to hold open is told apart by each file's own
// digest, one file open at a time.
std::vector<ConfirmedGroup> digest_each(const std::vector<const Candidate*>& part, const Md5Hasher& hasher) {
    std::map<std::string, std::vector<const Candidate*>> by_digest;
    std::string buffer;
    for (const Candidate* candidate : part) {
        if (auto digest = file_digest(candidate->path, hasher, buffer)) by_digest[*digest].push_back(candidate);
    }
    std::vector<ConfirmedGroup> groups;
    for (auto& [digest, members] : by_digest) {
        if (members.size() > 1) groups.push_back({std::move(members), digest});
    }
    return groups;
}

std::vector<ConfirmedGroup> groups_of_set(const std::vector<const Candidate*>& set, const Md5Hasher& hasher) {
    if (set.size() <= MAX_OPEN_FILES) return compare_in_lockstep(set, hasher);
    std::vector<ConfirmedGroup> groups;
    for (const auto& part : split_by_prefix(set)) {
        auto found = part.size() <= MAX_OPEN_FILES ? compare_in_lockstep(part, hasher) : digest_each(part, hasher);
        std::move(found.begin(), found.end(), std::back_inserter(groups));
    }
    return groups;
}

// Two workers take the same-size sets in turn, so that both cores read,
// compare and hash. Without a thread to be had, the helper runs only once the
// first worker has taken every set, and finds none left.
std::vector<ConfirmedGroup> find_groups(const std::vector<Candidate>& candidates, const Md5Hasher& hasher) {
    const auto sets = same_size_sets(candidates);
    std::atomic<std::size_t> next_set{0};
    auto work = [&] {
        std::vector<ConfirmedGroup> found;
        for (std::size_t i = next_set++; i < sets.size(); i = next_set++) {
            for (ConfirmedGroup& group : groups_of_set(sets[i], hasher)) found.push_back(std::move(group));
        }
        return found;
    };
    auto helper = std::async(std::launch::async | std::launch::deferred, work);
    std::vector<ConfirmedGroup> found = work();
    for (ConfirmedGroup& group : helper.get()) found.push_back(std::move(group));
    return found;
}

// ---- the digest table ----

std::uint32_t djb2_bucket(const std::string& digest) {
    std::uint32_t hash = 5381;
    for (unsigned char c : digest) hash = hash * 33 + c;
    return hash & (HASH_BUCKETS - 1);
}

// Chains hold the group found first at their tail, as if every file had been
// hashed in walk order and each new digest pushed at its chain's head.
void fill_hash_table(std::vector<ConfirmedGroup> groups) {
    std::sort(groups.begin(), groups.end(), [](const ConfirmedGroup& a, const ConfirmedGroup& b) {
        return a.members.front()->order < b.members.front()->order;
    });
    for (ConfirmedGroup& group : groups) {
        const Candidate& first = *group.members.front();
        state.hash_table[djb2_bucket(group.digest)].push_front(
            {std::move(group.digest), first.path, first.size, group.members.size() - 1});
    }
}

void clear_hash_table() {
    for (auto& chain : state.hash_table) chain.clear();
}

CleanItem item_for(const FileHashEntry& entry) {
    char description[256];
    std::snprintf(description, sizeof description, "Original file (%zu duplicates found)",
                  static_cast<std::size_t>(entry.duplicate_count));
    CleanItem item;
    item.type = ITEM_FILE;
    item.path = entry.first_path;
    item.description = description;
    item.size = entry.size;
    item.selected = false;  // the user picks which originals to give up
    return item;
}

// ---- the module's operations ----

bool init() {
    clear_hash_table();
    state.min_file_size = MIN_FILE_SIZE;
    state.include_hidden = false;
    state.include_system = false;
    state.search_paths.reset();
    return true;
}

std::uint64_t scan(ItemList& items) {
    clear_hash_table();
    // The provider loads (milliseconds under Wine) while the walk goes on;
    // without a thread to be had, it loads after the walk.
    auto hasher = std::async(std::launch::async | std::launch::deferred, Md5Hasher::create);
    std::vector<Candidate> candidates;
    for (const std::string& directory : search_paths()) {
        AncestorChain chain;
        scan_directory_for_duplicates(directory, candidates, chain);
    }
    if (const auto md5 = hasher.get()) fill_hash_table(find_groups(candidates, *md5));
    std::uint64_t groups = 0;
    for (const auto& chain : state.hash_table) {
        for (const FileHashEntry& entry : chain) {
            items.push_back(item_for(entry));
            ++groups;
        }
    }
    return groups;
}

void remove_copy(CleanItem& item) {
    const bool still = is_still_as_listed(item);
    settle_attempt(item, still, still && send_to_recycle_bin(item.path) ? std::optional(Removal::recycled) : std::nullopt);
}

void clean(ItemList& batch) { clean_pending(batch, remove_copy, true); }

void cleanup() {
    state.search_paths.reset();
    clear_hash_table();
}

std::uint64_t estimated_size() { return 209715200; }

}  // namespace

const CleanerModule duplicate_finder_module{.id = "duplicate_finder",
                                            .display_name = "Duplicate Files",
                                            .summary = "Duplicate files",
                                            .window_label = "📑 Duplicate Files",
                                            .caution = true,
                                            .init = init,
                                            .scan = scan,
                                            .clean = clean,
                                            .cleanup = cleanup,
                                            .estimated_size = estimated_size};

void duplicate_finder_set_search_paths(std::vector<std::string> paths) {
    for (std::string& path : paths) path = trimmed(std::move(path));
    paths = without_nested(paths);
    if (paths.size() > MAX_SEARCH_PATHS) paths.resize(MAX_SEARCH_PATHS);
    state.search_paths = std::move(paths);
}

const std::vector<std::string>& duplicate_finder_search_paths() { return search_paths(); }

void duplicate_finder_set_min_file_size(std::uint64_t bytes) { state.min_file_size = bytes; }
