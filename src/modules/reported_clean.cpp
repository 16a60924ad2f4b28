#include "modules/reported_clean.h"

#include "engine/cleaner.h"
#include "engine/directory_listing.h"

#include <cstdio>
#include <string>

namespace {

// Messages name the file only, not its whole path.
void report(const char* format, const CleanItem& item, const char* extra = nullptr) {
    const std::string name(base_name(item.path));
    char message[512];
    std::snprintf(message, sizeof message, format, name.c_str(), extra);
    report_progress(-1.0f, message);
}

void report_locked(const CleanItem& item) {
    if (item.locked_by) {
        report("[!] Skipping locked file: %s (locked by %s)", item, item.locked_by->c_str());
    } else {
        report("[!] Skipping locked file: %s (locked by unknown process)", item);
    }
}

}  // namespace

bool clean_with_reports(const ItemList& batch, ItemRemover remove, bool files_only) {
    std::size_t failures = 0;
    for (const CleanItem& item : batch) {
        if (files_only && item.type != ITEM_FILE) continue;
        if (item.locked) {
            report_locked(item);
            ++failures;
            continue;
        }
        if (!item.selected) continue;
        report("[>] Cleaning: %s", item);
        if (remove(item)) {
            report("[+] Cleaned: %s", item);
        } else {
            report("[X] Failed to clean: %s", item);
            ++failures;
        }
    }
    return failures == 0;
}
