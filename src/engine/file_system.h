#pragma once
// Expanding and sizing paths for the file-collecting modules (deleting them
// is checked_delete.h's).
//
// Every walk here follows three safety rules. A path that does not fit the
// 260-byte buffer is skipped, never acted on in cut form. A name or path that
// a lossy code-page conversion made is never acted on. A junction or
// directory symbolic link met inside a walk is never entered: its target
// lies outside the place being cleaned, and entering links is how walks loop.

#include "engine/directory_listing.h"
#include "engine/environment_roots.h"
#include "engine/records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Expands environment references ("%LOCALAPPDATA%\...") into a path of at most
// 259 bytes. An undefined variable stays in the text and is accepted; nothing
// comes back when the expansion fails or would not fit.
std::optional<std::string> expand_env_path(const char* path);

// True when one of the directories that `fixed_part` ("\A\B" or "A\B") names
// below `base` is a link. A module passes such a location over: what it
// would clean there belongs to wherever the link points, and removing the
// link itself would undo the user's redirection.
bool crosses_link(const std::string& base, std::string_view fixed_part);

// Expands a location template such as "%WINDIR%\Logs\CBS": the directory
// below the variable's root when that root is sound (environment_roots.h),
// spelled below the root's final path; nothing when the variable is not set
// (a scan warning), the root is unsound, or a fixed directory below the root
// (Logs, CBS) is a link. The root itself is the user's own setting.
std::optional<std::string> expand_location(std::string_view path_template, RootUse use = RootUse::location);

// True when the item's path is still what the scan listed: a file for a file
// item, a directory for a directory item, and not a link. The file modules
// check more, through the handle that acts (checked_delete.h).
bool is_still_as_listed(const CleanItem& item);

// True when the path names a directory (or a link to one).
bool is_existing_directory(const std::string& path);

// The sum of the sizes of every file below `dir`, hidden and system files
// included. `dir` itself may be a link; links found inside count 0. A missing
// or unlistable directory counts 0.
std::uint64_t calculate_directory_size(const std::string& dir);

// Whole 100 ns ticks elapsed since `file_time`. A time in the future wraps to a
// very large age, so such a file counts as old.
inline std::uint64_t age_in_ticks(std::uint64_t file_time, std::uint64_t now) { return now - file_time; }
inline constexpr std::uint64_t TICKS_PER_SECOND = 10000000ULL;
inline constexpr std::uint64_t TICKS_PER_DAY = 864000000000ULL;

// The directories between a walk's root and the directory it is in, by file
// identity (volume serial number and file index). It catches loops through
// links that a file system reports without the reparse-point attribute.
// Only ancestors count: the same directory reached along two different
// paths is walked both times.
class AncestorChain {
public:
    // Joins `dir` to the chain for as long as the step lives, unless it is
    // already one of the ancestors.
    class Step {
    public:
        // `entry` is the directory's own find record when the walk has it:
        // its times then cost nothing to read.
        Step(AncestorChain& chain, const std::string& dir, const WIN32_FIND_DATAA* entry = nullptr);
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;
        bool entered() const { return entered_; }

    private:
        AncestorChain& chain_;
        bool entered_ = false;
    };

private:
    struct Identity {
        unsigned long volume = 0;
        std::uint64_t index = 0;
        bool operator==(const Identity&) const = default;
    };
    // A directory on the chain. Its identity costs an open, so it is read only
    // when another directory carries the same creation and write times: the
    // same directory always does, and different ones almost never.
    struct Ancestor {
        std::string path;
        std::optional<std::uint64_t> stamp;
        std::optional<Identity> identity;
        bool identity_read = false;
    };
    static std::optional<std::uint64_t> stamp_of(const std::string& dir, const WIN32_FIND_DATAA* entry);
    std::optional<Identity> identity_of(const std::string& dir);
    const std::optional<Identity>& identity_of(Ancestor& ancestor);
    bool is_ancestor(Ancestor& candidate);

    std::optional<unsigned long> volume_;  // read at the first identity only
    std::vector<Ancestor> chain_;
};
