#pragma once
// Places the user keeps out of every scan (--exclude). Nothing at or below an
// excluded place is listed, and neither is a directory item that holds one:
// removing it would take the excluded place with it. A place that exists is
// recognised by its identity, however a module spells the path to it (another
// drive letter, a link); every place also by its path, compared without case
// on whole components.

#include "engine/records.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// True when `inner` is `outer` or lies below it, compared without case on
// whole path components.
bool lies_within(std::string_view inner, std::string_view outer);

// Built for one scan: the identities it reads are those of that moment.
class Exclusions {
public:
    explicit Exclusions(const std::vector<std::string>& paths);
    bool empty() const { return places_.empty(); }
    // Registry values are never excluded.
    bool covers(const CleanItem& item);

private:
    struct Place {
        std::string path;
        std::optional<FileIdentity> identity;  // when it exists as a directory
        std::vector<FileIdentity> ancestors;   // of the directories above it
    };
    bool identified_below_a_place(const CleanItem& item);
    bool holds_a_place(const CleanItem& item);
    std::optional<FileIdentity> directory_identity(const std::string& path);

    std::vector<Place> places_;
    std::map<std::string, std::optional<FileIdentity>> directories_;  // read once per scan
};
