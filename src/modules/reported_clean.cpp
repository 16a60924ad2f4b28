#include "modules/reported_clean.h"

#include "engine/cleaner.h"
#include "engine/diagnostics.h"
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

// Items are taken in the batch's order; `held` sees the locked ones there.
template <typename EachItem, typename EachHeld>
void for_each_pending(ItemList& batch, bool files_only, EachItem each, EachHeld held) {
    for (CleanItem& item : batch) {
        if (item.locked && (!files_only || item.type == ITEM_FILE)) held(item);
        if (item.outcome != ItemOutcome::pending) continue;
        if (clean_cancelled()) return;
        if (files_only && item.type != ITEM_FILE) {
            settle_failed(item, "not a file");
            continue;
        }
        each(item);
    }
}

}  // namespace

void settle_attempt(CleanItem& item, bool still_as_listed, std::optional<Removal> how) {
    if (!still_as_listed) {
        settle_failed(item, "changed since the scan");
    } else if (how) {
        settle_removed(item, *how);
    } else {
        settle_failed(item, last_error_text());
    }
}

void clean_pending(ItemList& batch, ItemRemover remove, bool files_only) {
    for_each_pending(batch, files_only, remove, [](const CleanItem&) {});
}

void clean_with_reports(ItemList& batch, ItemRemover remove, bool files_only) {
    const auto remove_and_report = [remove](CleanItem& item) {
        report("[>] Cleaning: %s", item);
        remove(item);
        report(item.outcome == ItemOutcome::removed ? "[+] Cleaned: %s" : "[X] Failed to clean: %s", item);
    };
    for_each_pending(batch, files_only, remove_and_report, report_locked);
}
