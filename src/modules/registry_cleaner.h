#pragma once
// Registry string values that name files or directories which no longer exist.

#include "engine/records.h"

#include <windows.h>

#include <vector>

extern const CleanerModule registry_cleaner_module;

// Stands for the missing subkey in the paths of values stored directly under
// a root key (the "Invalid File Extensions" category reads HKEY_CLASSES_ROOT
// itself): "HKEY_CLASSES_ROOT\(root)\name". The clean maps it back to the root.
inline constexpr const char* ROOT_KEY_PLACEHOLDER = "(root)";

struct RegistryCategory {
    const char* name;    // also the description of every item it yields
    HKEY root;
    const char* subkey;  // null for the root key itself
};

// Off after init; the entry turns it on for a run given --enable-registry.
void registry_cleaner_set_enabled(bool enabled);
bool registry_cleaner_is_enabled();

// Replaces the categories until the next init, so tests can point the
// cleaner at keys of their own.
void registry_cleaner_set_categories(std::vector<RegistryCategory> categories);
