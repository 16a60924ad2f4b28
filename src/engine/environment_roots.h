#pragma once
// Roots that come from the environment (TEMP, TMP, LOCALAPPDATA, APPDATA,
// USERPROFILE, WINDIR), used only when sound. An unset variable expands to
// nothing, an empty %TEMP% to the current drive's root, and GetTempPathA
// answers with the profile folder when TEMP and TMP are unset: cleaning there
// would delete the user's documents.

#include <optional>
#include <string>
#include <string_view>

enum class RootUse {
    location,   // fixed folders of its own below the root (Windows locations, browser caches)
    temporary,  // everything below it is taken: it must also keep clear of the user's folders
};

// The directory that `fixed_part` ("\Temp", "\Google\Chrome", or empty) names
// below `root` (an expanded environment root), spelled below the root's final
// path: short names, substituted drives and a root that is itself a link are
// resolved once, here. Nothing when the root is unsound: empty, relative,
// missing, a drive root, the profile folder or one of its ancestors, or a
// directory that ends up being the Windows or system directory itself; for a
// temporary root also one that is or holds LOCALAPPDATA, APPDATA or a user
// folder (Documents, Desktop, ...) or lies inside a user folder. An unsound
// root is reported as a scan warning naming `origin`. Nothing, silently, when
// a fixed folder is a link or the path is too long or lossy.
std::optional<std::string> sound_directory(const std::string& root, std::string_view fixed_part, RootUse use,
                                           std::string_view origin);
