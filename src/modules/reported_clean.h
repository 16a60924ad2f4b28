#pragma once
// The clean loop of the file modules: each pending item is removed and settled,
// and the modules that report every file they touch say so through the
// progress slot (locked items with a message of their own).

#include "engine/records.h"

#include <optional>

// Removes one pending item and settles it.
using ItemRemover = void (*)(CleanItem& item);

// Settles an item after one attempt: removed the given way, or failed as
// changed since the scan when it no longer was what was listed, else with
// the system's own words for the last error.
void settle_attempt(CleanItem& item, bool still_as_listed, std::optional<Removal> how);

// Removes every pending item of a batch, between items looking whether the
// clean was cancelled. With `files_only`, items that are not files fail.
void clean_pending(ItemList& batch, ItemRemover remove, bool files_only);

// The same, with a progress message for every item it touches.
void clean_with_reports(ItemList& batch, ItemRemover remove, bool files_only);
