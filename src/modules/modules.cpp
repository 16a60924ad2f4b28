#include "modules/modules.h"

#include "modules/duplicate_finder.h"
#include "modules/registry_cleaner.h"

#include <array>

namespace {

constexpr std::array MODULES{
    &temp_files_module,
    &browser_cache_module,
    &windows_cleanup_module,
    &duplicate_finder_module,
    &registry_cleaner_module,
};

}  // namespace

std::span<const CleanerModule* const> all_modules() { return MODULES; }
