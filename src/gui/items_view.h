#pragma once
// The review list of the right pane: one row per item of the last scan, with
// its tick, module, path, size, date and state; sorted by a column, narrowed
// by a filter, ticked with the mouse or the keyboard.

#include "engine/records.h"
#include "gui/gui_modules.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Once a scan has replaced the items: a fresh view of them, brought to the
// front when the scan found any. Called every frame, whichever view shows.
void gui_items_follow_results();
// A scan's items as the view first shows them, in its sort and filter, with
// the totals of their ticks in `modules`: built by the scan worker before it
// hands the items over. The view's sort and filter cannot change meanwhile:
// while a scan runs, the view draws neither.
struct ItemsViewStart;
std::shared_ptr<ItemsViewStart> gui_items_prepare(const ItemList& items, const ModuleSelection& modules);
// Draws the view in `height` pixels of the current group.
void gui_items_view(int height);
// True while a change of the filter or a sort is still being applied over frames.
bool gui_items_working();
// Keys while the view shows; true when the view used the key.
bool gui_items_view_key(WPARAM key, bool control);
// The sidebar's "all" and "none": ticks or unticks every item of a module.
void gui_tick_module_items(int module_row, bool ticked);

// The view's order and filter, apart from drawing.
enum class ItemColumn { NONE, MODULE, PATH, SIZE, DATE, STATE };
struct ItemsOrder {
    ItemColumn sort = ItemColumn::NONE;
    bool descending = false;
    std::string filter;  // matched without regard to case in the path and the description
};
// Positions in `items` of the rows the view shows, in its order.
std::vector<std::uint32_t> gui_order_items(const ItemList& items, const ItemsOrder& order);
std::string gui_item_state_text(const CleanItem& item);
