#include "modules/duplicate_finder.h"

#include "engine/directory_listing.h"
#include "engine/file_reading.h"
#include "engine/file_system.h"
#include "engine/cleaner.h"
#include "engine/diagnostics.h"
#include "engine/exclusions.h"
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
#include <cstring>
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
static constexpr std::size_t PREFIX_BYTES = 4096;
// Same-size files are compared in lockstep, one chunk of each at a time. A
// worker holds at most MAX_OPEN_FILES files open, with one chunk and the last
// PREFIX_BYTES of each (about 8 MiB in all), however many files share a size.
static constexpr std::size_t MAX_OPEN_FILES = 32;
static constexpr std::size_t COMPARE_CHUNK = 256 * 1024;

struct ModuleState {
    std::optional<std::vector<std::string>> search_paths;  // none: the user's own folders
    std::uint64_t min_file_size = MIN_FILE_SIZE;
    bool include_hidden = false;
    bool include_system = false;
    bool digests = true;
    DuplicateRules rules;
};
ModuleState state;

// A file that passed the size and attribute filters, numbered in walk order.
struct Candidate {
    std::string path;
    std::uint64_t size = 0;
    std::size_t order = 0;
    std::size_t root = 0;  // which search directory it lies under
    std::uint64_t created = 0;
    std::uint64_t last_write = 0;
    std::optional<FileSnapshot> snapshot;  // read when the file is first opened
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

std::uint64_t file_time(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

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
void scan_directory_for_duplicates(const std::string& directory, std::size_t root, std::vector<Candidate>& candidates,
                                   AncestorChain& chain, const WIN32_FIND_DATAA* own = nullptr) {
    AncestorChain::Step step(chain, directory, own);
    if (!step.entered()) return;
    DirectoryListing listing(directory);
    while (const WIN32_FIND_DATAA* entry = listing.next()) {
        // Most files are too small: their paths are never built.
        const bool subdirectory = is_directory(*entry);
        if (subdirectory ? is_reparse_point(*entry) : !passes_filters(*entry)) continue;
        auto path = join_path(directory, entry->cFileName);
        if (!path) continue;
        if (subdirectory) {
            scan_directory_for_duplicates(*path, root, candidates, chain, entry);
        } else {
            candidates.push_back({std::move(*path), find_data_size(*entry), candidates.size(), root,
                                  file_time(entry->ftCreationTime), file_time(entry->ftLastWriteTime), std::nullopt});
        }
    }
}

// Only files that share their size with another candidate can have a copy.
// The largest sets come first, so that the workers sharing them finish close
// together.
std::vector<std::vector<Candidate*>> same_size_sets(std::vector<Candidate>& candidates) {
    std::map<std::uint64_t, std::vector<Candidate*>, std::greater<>> by_size;
    for (Candidate& candidate : candidates) by_size[candidate.size].push_back(&candidate);
    std::vector<std::vector<Candidate*>> sets;
    for (auto& [size, members] : by_size) {
        if (members.size() > 1) sets.push_back(std::move(members));
    }
    return sets;
}

// ---- comparing ----

// A candidate being compared: its open file, the last chunk read from it and
// its last bytes.
struct OpenMember {
    Candidate* candidate;
    UniqueFileHandle file;
    std::string chunk;
    std::string tail;
};
using MemberGroup = std::vector<OpenMember*>;

// Opens a candidate and reads its first PREFIX_BYTES into `prefix`. A file
// that cannot be opened for shared reading is left out, and so is a file met
// a second time (a hard link, or overlapping search directories): it counts
// only where it was met first.
UniqueFileHandle open_first_time(Candidate& candidate, std::set<FileIdentity>& seen, std::string& prefix) {
    UniqueFileHandle file = open_for_shared_reading(candidate.path);
    if (!file) return {};
    candidate.snapshot = snapshot_of(file.get());
    if (!candidate.snapshot || !seen.insert(candidate.snapshot->identity).second) return {};
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

std::vector<OpenMember> open_distinct_files(const std::vector<Candidate*>& set) {
    std::vector<OpenMember> members;
    std::set<FileIdentity> seen;
    for (Candidate* candidate : set) {
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

// One group of identical files, members in walk order; the digest is that of
// the first member.
struct FoundGroup {
    std::vector<Candidate*> members;
    std::optional<std::string> digest;
};

std::vector<Candidate*> candidates_of(const MemberGroup& group) {
    std::vector<Candidate*> candidates;
    for (const OpenMember* member : group) candidates.push_back(member->candidate);
    return candidates;
}

// Reads the members of a same-size set in lockstep, splitting them wherever
// contents differ, until every remaining group has reached the end together.
std::vector<FoundGroup> confirm_identical(const MemberGroup& all) {
    std::vector<FoundGroup> confirmed;
    std::vector<MemberGroup> pending = split_by_chunk(all);
    while (!pending.empty()) {
        MemberGroup current = std::move(pending.back());
        pending.pop_back();
        if (read_next_chunks(current, COMPARE_CHUNK)) {
            std::ranges::move(split_by_chunk(current), std::back_inserter(pending));
        } else {
            confirmed.push_back({candidates_of(current), std::nullopt});
        }
    }
    return confirmed;
}

std::vector<FoundGroup> compare_in_lockstep(const std::vector<Candidate*>& set) {
    std::vector<OpenMember> members = open_distinct_files(set);
    MemberGroup all;
    for (OpenMember& member : members) all.push_back(&member);
    return confirm_identical(all);
}

// The files of a set too large to hold open together, parted by their first
// bytes, one file open at a time. Parts keep walk order.
std::vector<std::vector<Candidate*>> split_by_prefix(const std::vector<Candidate*>& set) {
    std::map<std::size_t, std::vector<Candidate*>> parts;
    std::set<FileIdentity> seen;
    std::string prefix;
    for (Candidate* candidate : set) {
        if (open_first_time(*candidate, seen, prefix)) parts[std::hash<std::string>{}(prefix)].push_back(candidate);
    }
    std::vector<std::vector<Candidate*>> kept;
    for (auto& [fingerprint, part] : parts) {
        if (part.size() > 1) kept.push_back(std::move(part));
    }
    return kept;
}

// Opens the file a group member was when it was compared; nothing when it has
// changed since.
UniqueFileHandle reopen_unchanged(const Candidate& candidate) {
    UniqueFileHandle file = open_for_shared_reading(candidate.path);
    if (!file || snapshot_of(file.get()) != candidate.snapshot) return {};
    return file;
}

// A part still too large to hold open is told apart by each file's own
// digest, one file open at a time.
std::vector<FoundGroup> digest_each(const std::vector<Candidate*>& part) {
    const auto digests = md5_of_files(part.size(), [&](std::size_t i) { return reopen_unchanged(*part[i]); });
    std::map<std::string, std::vector<Candidate*>> by_digest;
    for (std::size_t i = 0; i < part.size(); ++i) {
        if (digests[i]) by_digest[*digests[i]].push_back(part[i]);
    }
    std::vector<FoundGroup> groups;
    for (auto& [digest, members] : by_digest) {
        if (members.size() > 1) groups.push_back({std::move(members), digest});
    }
    return groups;
}

std::vector<FoundGroup> groups_of_set(const std::vector<Candidate*>& set) {
    if (set.size() <= MAX_OPEN_FILES) return compare_in_lockstep(set);
    std::vector<FoundGroup> groups;
    for (const auto& part : split_by_prefix(set)) {
        auto found = part.size() <= MAX_OPEN_FILES ? compare_in_lockstep(part) : digest_each(part);
        std::ranges::move(found, std::back_inserter(groups));
    }
    return groups;
}

// Two workers take the same-size sets in turn, so that both cores read and
// compare. Without a thread to be had, the helper runs only once the first
// worker has taken every set, and finds none left.
std::vector<FoundGroup> find_groups(std::vector<Candidate>& candidates) {
    const auto sets = same_size_sets(candidates);
    std::atomic<std::size_t> next_set{0};
    auto work = [&] {
        std::vector<FoundGroup> found;
        for (std::size_t i = next_set++; i < sets.size(); i = next_set++) std::ranges::move(groups_of_set(sets[i]), std::back_inserter(found));
        return found;
    };
    auto helper = std::async(std::launch::async | std::launch::deferred, work);
    std::vector<FoundGroup> found = work();
    std::ranges::move(helper.get(), std::back_inserter(found));
    return found;
}

// Comparing needs no digest, so each group's first file is digested once the
// groups are known, many groups side by side; a group whose file changed in
// between is dropped.
std::vector<FoundGroup> with_digests(std::vector<FoundGroup> groups) {
    std::vector<FoundGroup*> pending;
    for (FoundGroup& group : groups) {
        if (!group.digest) pending.push_back(&group);
    }
    std::ranges::sort(pending, std::greater<>{}, [](const FoundGroup* g) { return g->members.front()->size; });
    const auto digests = md5_of_files(pending.size(), [&](std::size_t i) { return reopen_unchanged(*pending[i]->members.front()); });
    for (std::size_t i = 0; i < pending.size(); ++i) pending[i]->digest = digests[i];
    std::erase_if(groups, [](const FoundGroup& group) { return !group.digest; });
    return groups;
}

// ---- which copy stays ----

bool is_protected(const Candidate& candidate) {
    return std::ranges::any_of(state.rules.protected_dirs, [&](const std::string& dir) { return lies_within(candidate.path, dir); });
}

// `first`: the first search directory, then path order.
bool comes_first(const Candidate* a, const Candidate* b) {
    if (a->root != b->root) return a->root < b->root;
    return _stricmp(a->path.c_str(), b->path.c_str()) < 0;
}

// True when the rule keeps `a` rather than `b`; ties fall to `first`.
bool keeps_rather(const Candidate* a, const Candidate* b) {
    const auto age = [](const Candidate* c) { return std::pair(c->created, c->last_write); };
    switch (state.rules.keep) {
        case DuplicateKeep::oldest:
            if (age(a) != age(b)) return age(a) < age(b);
            break;
        case DuplicateKeep::newest:
            if (age(a) != age(b)) return age(a) > age(b);
            break;
        case DuplicateKeep::shortest:
            if (a->path.size() != b->path.size()) return a->path.size() < b->path.size();
            break;
        case DuplicateKeep::none:
        case DuplicateKeep::first:
            break;
    }
    return comes_first(a, b);
}

// A protected copy is kept in preference to any other.
const Candidate* kept_copy(const std::vector<Candidate*>& members) {
    std::vector<Candidate*> eligible;
    std::ranges::copy_if(members, std::back_inserter(eligible), [](const Candidate* c) { return is_protected(*c); });
    if (eligible.empty()) eligible = members;
    return *std::ranges::min_element(eligible, keeps_rather);
}

// One item per copy that is not kept: removing it frees its size.
void add_items(const FoundGroup& found, std::uint32_t number, ItemList& items) {
    std::vector<Candidate*> members = found.members;
    std::ranges::sort(members, comes_first);
    const Candidate* kept = kept_copy(members);
    const auto group = std::make_shared<const DuplicateGroup>(
        DuplicateGroup{number, found.digest.value_or(""), kept->path, *kept->snapshot});
    for (const Candidate* copy : members) {
        if (copy == kept) continue;
        CleanItem item;
        item.type = ITEM_FILE;
        item.path = copy->path;
        item.description = "Copy of " + kept->path;
        item.size = copy->size;
        // Without a rule the user picks; a protected copy is never picked.
        item.selected = state.rules.keep != DuplicateKeep::none && !is_protected(*copy);
        item.snapshot = copy->snapshot;
        item.duplicate_group = group;
        items.push_back(std::move(item));
    }
}

// ---- removing a copy ----

// A group's file opened for the check before removal, if it is still what
// the scan saw. Sharing only reading keeps anyone from changing it, or
// removing it, while the handle lives; a copy also shares deletion, which its
// own removal needs.
UniqueFileHandle open_as_scanned(const std::string& path, const FileSnapshot& scanned, DWORD share) {
    UniqueFileHandle file(
        CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file || snapshot_of(file.get()) != scanned) return {};
    return file;
}

bool same_contents(HANDLE a, HANDLE b) {
    std::string chunk_a(COMPARE_CHUNK, '\0'), chunk_b(COMPARE_CHUNK, '\0');
    for (;;) {
        const auto got_a = read_chunk(a, chunk_a), got_b = read_chunk(b, chunk_b);
        if (!got_a || !got_b || *got_a != *got_b) return false;
        if (*got_a == 0) return true;
        if (std::memcmp(chunk_a.data(), chunk_b.data(), *got_a) != 0) return false;
    }
}

std::string folder_of(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// Replaces the copy by a hard link to the kept file: the link is made under a
// temporary name beside the copy, checked to name the kept file, and renamed
// over the copy in one step, so the copy's name never stops naming these
// contents. Any failure leaves the copy as it was.
std::optional<std::string> link_over(const CleanItem& item, const DuplicateGroup& group, UniqueFileHandle copy) {
    if (item.snapshot->identity.volume_serial != group.kept.identity.volume_serial) {
        return "not on the same volume as the kept copy";
    }
    static std::atomic<unsigned> serial{0};
    char name[64];
    std::snprintf(name, sizeof name, "\\~twk-link-%lu-%u.tmp", GetCurrentProcessId(), serial++);
    const std::string temporary = folder_of(item.path) + name;
    if (!CreateHardLinkA(temporary.c_str(), group.kept_path.c_str(), nullptr)) return last_error_text();
    UniqueFileHandle link(CreateFileA(temporary.c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr));
    const bool names_kept = link && identity_of(link.get()) == group.kept.identity;
    link.reset();
    if (!names_kept) {
        DeleteFileA(temporary.c_str());
        return "changed since the scan";
    }
    // A rename cannot replace a file that is open, so the copy is let go at
    // the last moment.
    copy.reset();
    if (!MoveFileExA(temporary.c_str(), item.path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        std::string reason = last_error_text();
        DeleteFileA(temporary.c_str());
        return reason;
    }
    return std::nullopt;
}

// The copy goes only while it and the kept copy are still the files the scan
// compared, with the same contents, and the kept copy is held open so that it
// cannot change or go until the copy has gone: a group never loses its last
// copy. A link made to the kept file is renamed over the copy, which sharing
// is checked for per file, not per name, so for linking the kept file shares
// deletion: once linked, its contents live on under the copy's name anyway.
void remove_copy(CleanItem& item) {
    const DuplicateGroup* group = item.duplicate_group.get();
    if (!group || !item.snapshot) return settle_failed(item, "not a duplicate copy");
    const bool linking = state.rules.action == DuplicateAction::link;
    UniqueFileHandle kept = open_as_scanned(group->kept_path, group->kept, FILE_SHARE_READ | (linking ? FILE_SHARE_DELETE : 0));
    UniqueFileHandle copy = open_as_scanned(item.path, *item.snapshot, FILE_SHARE_READ | FILE_SHARE_DELETE);
    if (!kept || !copy || item.snapshot->identity == group->kept.identity || !same_contents(kept.get(), copy.get())) {
        return settle_failed(item, "changed since the scan");
    }
    if (linking) {
        const auto failure = link_over(item, *group, std::move(copy));
        return failure ? settle_failed(item, *failure) : settle_removed(item, Removal::linked);
    }
    settle_attempt(item, true, send_to_recycle_bin(item.path) ? std::optional(Removal::recycled) : std::nullopt);
}

// ---- the module's operations ----

bool init() {
    state = ModuleState{};
    return true;
}

std::uint64_t scan(ItemList& items) {
    std::vector<Candidate> candidates;
    const auto& roots = search_paths();
    for (std::size_t root = 0; root < roots.size(); ++root) {
        AncestorChain chain;
        scan_directory_for_duplicates(roots[root], root, candidates, chain);
    }
    std::vector<FoundGroup> groups = find_groups(candidates);
    if (state.digests) groups = with_digests(std::move(groups));
    std::ranges::sort(groups, {}, [](const FoundGroup& g) { return g.members.front()->order; });
    std::uint32_t number = 0;
    for (const FoundGroup& group : groups) add_items(group, ++number, items);
    return items.size();
}

void clean(ItemList& batch) { clean_pending(batch, remove_copy, true); }

void cleanup() { state.search_paths.reset(); }

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

void duplicate_finder_set_digests(bool wanted) { state.digests = wanted; }

void duplicate_finder_set_rules(DuplicateRules rules) {
    for (std::string& dir : rules.protected_dirs) dir = trimmed(std::move(dir));
    state.rules = std::move(rules);
}
