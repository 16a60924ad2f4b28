#pragma once
// Acting on exactly what a scan listed.
//
// A path is only a name: between a scan and its clean, the name can come to
// point elsewhere (a parent directory swapped for a link, the file rewritten
// or recreated, a Unix symbolic link that Wine does not mark). So the scan
// records what a name pointed at, and the clean opens the name without
// following a final link, compares what that handle reports with the record
// and with the path it meant to open, and acts through that same handle.

#include "engine/records.h"

#include <windows.h>

#include <optional>
#include <string>

// What the scan records of a file or directory it lists. Nothing when the
// path is a link, or opens something the path does not name (a Unix symbolic
// link, a parent that is a link), or cannot be opened: such an entry is not
// listed.
std::optional<FileSnapshot> listed_snapshot(const std::string& path, bool directory);

// What a walk below one root records of each file it lists, at the cost of
// the one exclusive open that tells whether somebody holds the file
// (`locked`). Size, time and file index come from the walk's own listing
// (IdentifiedListing), the volume from the root, read once for the walk
// (asking a handle for it costs most of a millisecond under Wine). A file gone
// since the listing is not listed; a link found here is still caught when the
// clean opens the file.
struct ProbedFile {
    std::optional<FileSnapshot> snapshot;
    bool locked = false;
};
ProbedFile probe_listed_file(const std::string& path, const WIN32_FIND_DATAA& entry, FileIdentity identity);
std::optional<std::uint32_t> volume_serial_of(const std::string& directory);

// The path an existing directory finally resolves to (short names, substituted
// drives and a directory that is itself a link resolved), and its identity.
struct ResolvedDirectory {
    std::string path;
    FileIdentity identity;
};
std::optional<ResolvedDirectory> resolve_directory(const std::string& path);

// Deletes a listed file, or a listed directory with everything inside it,
// through a handle checked against the item's snapshot, and settles the item.
// A directory is emptied through its handle, each child opened relative to it
// and never followed when it is a link; a child that is a link stays, and the
// item fails as "holds a link".
void delete_listed(CleanItem& item);

// Sends a listed file to the Recycle Bin while every directory from `root`
// down to its parent is held open against renaming, after checking the item
// itself; settles the item. When the shell refuses, the file is deleted
// through its checked handle and counts as deleted permanently.
void recycle_listed(CleanItem& item, const std::string& root);
