#pragma once
// The clean loop of the modules that report every file they touch through
// the progress slot: locked items are skipped with a message and count as
// failures, unselected ones are passed over silently.

#include "engine/records.h"

// Removes one item; true when it is gone.
using ItemRemover = bool (*)(const CleanItem& item);

// Cleans a batch and returns true when no item failed or was skipped as locked.
// With `files_only`, items that are not files are passed over without a word.
bool clean_with_reports(const ItemList& batch, ItemRemover remove, bool files_only);
