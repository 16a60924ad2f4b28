#include "gui/duplicate_rows.h"

#include "engine/file_reading.h"

#include <unordered_map>

namespace {

const DuplicateGroup* group_of(const ItemList& items, std::uint32_t row) {
    return items[item_of(row)].duplicate_group.get();
}

// "[module] Copy of KEPT": the module's tag stays, the kept path changes.
std::string copy_description(const std::string& old, const std::string& kept_path) {
    const std::size_t tag_end = old.starts_with('[') ? old.find("] ") : std::string::npos;
    const std::string tag = tag_end == std::string::npos ? std::string() : old.substr(0, tag_end + 2);
    return tag + "Copy of " + kept_path;
}

}  // namespace

std::vector<std::uint32_t> gui_group_rows(const ItemList& items, std::vector<std::uint32_t> rows) {
    std::unordered_map<const DuplicateGroup*, std::vector<std::uint32_t>> members;
    for (std::uint32_t row : rows) {
        if (const DuplicateGroup* group = group_of(items, row)) members[group].push_back(row);
    }
    if (members.empty()) return rows;
    std::vector<std::uint32_t> grouped;
    grouped.reserve(rows.size() + members.size());
    for (std::uint32_t row : rows) {
        const DuplicateGroup* group = group_of(items, row);
        if (!group) {
            grouped.push_back(row);
            continue;
        }
        const auto found = members.find(group);
        if (found == members.end()) continue;  // placed with its group's first row
        grouped.push_back(GROUP_LINE | row);
        grouped.insert(grouped.end(), found->second.begin(), found->second.end());
        members.erase(found);
    }
    return grouped;
}

void gui_drop_empty_group_lines(const ItemList& items, std::vector<std::uint32_t>& rows) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool empty_line = is_group_line(rows[i]) &&
            (i + 1 == rows.size() || is_group_line(rows[i + 1]) || group_of(items, rows[i + 1]) != group_of(items, rows[i]));
        if (!empty_line) rows[kept++] = rows[i];
    }
    rows.resize(kept);
}

bool gui_keep_copy(ItemList& items, std::size_t index) {
    CleanItem& chosen = items[index];
    const std::shared_ptr<const DuplicateGroup> old = chosen.duplicate_group;
    if (!old || !chosen.snapshot || chosen.outcome != ItemOutcome::pending) return false;
    // The old kept copy becomes an item as it is now; the clean checks it against this.
    const UniqueFileHandle file = open_for_shared_reading(old->kept_path);
    const std::optional<FileSnapshot> now = file ? snapshot_of(file.get()) : std::nullopt;
    if (!now) return false;
    const auto group = std::make_shared<const DuplicateGroup>(DuplicateGroup{old->number, old->digest, chosen.path, *chosen.snapshot});
    chosen = CleanItem{.type = chosen.type, .path = old->kept_path, .description = chosen.description,
                       .size = now->size, .selected = false, .snapshot = now, .duplicate_group = old};
    for (CleanItem& item : items) {
        if (item.duplicate_group != old) continue;
        item.duplicate_group = group;
        item.description = copy_description(item.description, group->kept_path);
    }
    return true;
}
