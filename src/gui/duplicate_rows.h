#pragma once
// Duplicate copies in the items view: each group's copies stay together under
// a line naming the copy that is kept, and any copy can become the kept one.

#include "engine/records.h"

#include <cstdint>
#include <vector>

// A row of the view that is a group's line rather than an item: the flag
// plus the position of one of the group's items.
inline constexpr std::uint32_t GROUP_LINE = 0x8000'0000u;
inline bool is_group_line(std::uint32_t row) { return (row & GROUP_LINE) != 0; }
inline std::uint32_t item_of(std::uint32_t row) { return row & ~GROUP_LINE; }

// Moves each group's rows to where its first row is, under a group line; the
// rows keep their order otherwise.
std::vector<std::uint32_t> gui_group_rows(const ItemList& items, std::vector<std::uint32_t> rows);
// Drops the group lines left without rows of their group (after a filter narrowed the rows).
void gui_drop_empty_group_lines(const ItemList& items, std::vector<std::uint32_t>& rows);
// Makes the copy at `index` its group's kept copy: the item becomes the old
// kept copy, unticked, as it is on disk now, and every item of the group
// shares the new group record. False (nothing changed) when the item is no
// pending copy or the kept copy cannot be read.
bool gui_keep_copy(ItemList& items, std::size_t index);
