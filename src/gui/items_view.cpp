#include "gui/items_view.h"

#include "engine/diagnostics.h"
#include "gui/clean_plan.h"
#include "gui/duplicate_rows.h"
#include "gui/gui_state.h"
#include "gui/layout.h"
#include "gui/palette.h"
#include "gui/shell_actions.h"
#include "gui/text_fit.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <compare>
#include <cstring>
#include <cstdio>
#include <functional>
#include <memory>
#include <numeric>
#include <thread>
#include <utility>

namespace {

constexpr nk_color HIGHLIGHT = palette::EDGE;
constexpr nk_color FAILED_COLOUR = {239, 68, 68, 255};
constexpr nk_color REMOVED_COLOUR = palette::EMERALD;
constexpr nk_color SKIPPED_COLOUR = palette::AMBER;
constexpr int FILTER_CAPACITY = 256;
constexpr float WHEEL_ROWS = 3.0f;
constexpr float THUMB_WIDTH = 6.0f;
constexpr float MIN_THUMB = 16.0f;
constexpr int COLUMN_COUNT = 6;
constexpr char COPY_INDENT[] = "    ";
constexpr char KEPT_MARK[] = " (kept)";
// A filter pass or a sort's keys read this many items between looks at the
// clock, and stop for the frame once they have taken their share of it.
constexpr std::size_t SLICE_ITEMS = 4096;
constexpr auto FRAME_SHARE = std::chrono::milliseconds(8);

// Sorting more items than this goes to a worker thread.
constexpr std::size_t WORKER_SORT_ITEMS = 100'000;

// Copies of the paths a sort compares, in blocks that never move, so that the
// keys stay valid however the items change.
class PathCopies {
public:
    std::string_view add(std::string_view path) {
        if (path.size() > room_) {
            const std::size_t size = std::max(BLOCK, path.size());
            blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
            next_ = blocks_.back().get();
            room_ = size;
        }
        char* copy = next_;
        std::memcpy(copy, path.data(), path.size());
        next_ += path.size();
        room_ -= path.size();
        return {copy, path.size()};
    }

private:
    static constexpr std::size_t BLOCK = 1 << 20;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    std::size_t room_ = 0;
};

// A sort on a worker: it sorts (key, position) pairs read from the items
// beforehand, a slice per frame, and never touches the items, which a new
// scan may replace and "Keep this copy" may edit meanwhile. The rows keep
// their last order until it is done.
struct SortJob {
    ItemColumn column;
    bool descending;
    std::uint32_t read = 0;  // the items whose keys are read
    std::vector<std::pair<std::uint64_t, std::uint32_t>> numbers;  // by a number
    std::vector<std::pair<std::string_view, std::uint32_t>> paths;  // by path: views of `copies`
    PathCopies copies;
    std::vector<std::uint32_t> ordered;  // the worker's result: every position, in order
    std::atomic<bool> done{false};
    std::jthread worker;  // last: joined before the keys go
};

// A change of the filter, read a slice per frame so that typing never stalls
// the window: the rows shown stay those of the last filter until it is done.
struct FilterPass {
    bool active = false;
    bool narrowing = false;  // a longer filter: only the rows shown can match it
    std::string text;        // as typed
    std::string needle;      // folded to lower case once
    std::size_t next = 0;    // the next item to read
    std::vector<std::uint8_t> hit;  // per item: a candidate, then whether it matches
};

// Kept across frames; rebuilt when a scan replaces the items.
struct ItemsModel {
    unsigned generation = UINT_MAX;
    ItemsOrder order;
    std::vector<std::uint32_t> ordered;     // every item's position, in the sort order
    std::vector<std::uint32_t> rows;        // positions of the shown items, in view order
    bool has_groups = false;                // any duplicate copies among the items
    FilterPass pass;
    std::unique_ptr<SortJob> sort;  // a sort still running
    std::vector<std::unique_ptr<SortJob>> dropped;  // replaced while running: left to finish, then freed
    std::vector<std::uint8_t> highlighted;  // per item
    std::size_t cursor = 0;                 // a position in `rows`
    std::size_t top = 0;                    // the first row shown
    std::size_t rows_shown = 1;             // rows that fit the list, from the last frame
    char filter[FILTER_CAPACITY] = {};
    int filter_length = 0;
    bool filter_focused = false;
    bool leave_filter = false;
    bool totals_stale = true;
    DWORD totals_clean_tick = 0;  // the clean whose outcomes the totals include
    ModuleSelection totals_modules{};
    CleanPlanSummary ticked;
};

ItemsModel model;

ItemList* held_items() {
    if (g_gui.scanning || !g_gui.scan_results) return nullptr;
    return &g_gui.scan_results->items;
}

char folded(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char raised(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string folded_text(std::string_view text) {
    std::string folded_copy(text);
    for (char& c : folded_copy) c = folded(c);
    return folded_copy;
}

// `needle` is already in lower case: only the text is folded, a character at
// a time, and only where the needle's first character is found.
bool contains_folded(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) return false;
    const char lower = needle[0], upper = raised(lower);
    const std::size_t last = text.size() - needle.size();
    for (std::size_t i = 0; i <= last; ++i) {
        if (text[i] != lower && text[i] != upper) continue;
        std::size_t k = 1;
        while (k < needle.size() && folded(text[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return true;
    }
    return false;
}

bool matches(const CleanItem& item, std::string_view needle) {
    return needle.empty() || contains_folded(item.path, needle) || contains_folded(item.description, needle);
}

std::uint64_t last_write(const CleanItem& item) { return item.snapshot ? item.snapshot->last_write : 0; }

// A number that orders items by a column, read once per item: comparing the
// items themselves would visit a million scattered records many times over.
std::uint64_t sort_key(const CleanItem& item, ItemColumn column) {
    switch (column) {
    case ItemColumn::MODULE: return static_cast<std::uint64_t>(gui_tally_entry(item.description) + 1);
    case ItemColumn::SIZE: return item.size;
    case ItemColumn::DATE: return last_write(item);
    case ItemColumn::STATE: return static_cast<std::uint64_t>(item.outcome) * 2 + (item.locked ? 1 : 0);
    case ItemColumn::PATH:
    case ItemColumn::NONE: break;
    }
    return 0;
}

// As a stable sort: equal keys keep the scan's order, also when descending.
// The positions break ties, so no merge buffer is needed.
template <typename Key>
void sort_keyed(std::vector<std::pair<Key, std::uint32_t>>& keyed, bool descending) {
    std::ranges::sort(keyed, [&](const auto& a, const auto& b) {
        const auto order = a.first <=> b.first;
        if (order == 0) return a.second < b.second;
        return descending ? order > 0 : order < 0;
    });
}

// Every item's key and position, read in the items' own order.
std::vector<std::pair<std::uint64_t, std::uint32_t>> number_keys(const ItemList& items, ItemColumn column) {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> keyed;
    keyed.reserve(items.size());
    for (std::uint32_t index = 0; index < items.size(); ++index) keyed.emplace_back(sort_key(items[index], column), index);
    return keyed;
}

template <typename Key>
std::vector<std::uint32_t> positions(const std::vector<std::pair<Key, std::uint32_t>>& keyed) {
    std::vector<std::uint32_t> rows(keyed.size());
    for (std::size_t i = 0; i < keyed.size(); ++i) rows[i] = keyed[i].second;
    return rows;
}

void select_only(std::size_t position) {
    std::ranges::fill(model.highlighted, 0);
    model.cursor = position;
    if (position < model.rows.size() && !is_group_line(model.rows[position])) model.highlighted[model.rows[position]] = 1;
}

// Every item's position, in the order's sort; the filter is left aside.
std::vector<std::uint32_t> sorted_items(const ItemList& items, const ItemsOrder& order) {
    if (order.sort == ItemColumn::PATH) {
        std::vector<std::pair<std::string_view, std::uint32_t>> keyed;
        keyed.reserve(items.size());
        for (std::uint32_t index = 0; index < items.size(); ++index) keyed.emplace_back(items[index].path, index);
        sort_keyed(keyed, order.descending);
        return positions(keyed);
    }
    if (order.sort != ItemColumn::NONE) {
        auto keyed = number_keys(items, order.sort);
        sort_keyed(keyed, order.descending);
        return positions(keyed);
    }
    std::vector<std::uint32_t> all(items.size());
    std::iota(all.begin(), all.end(), 0u);
    return all;
}

std::vector<std::uint32_t> grouped(const ItemList& items, std::vector<std::uint32_t> rows) {
    return model.has_groups ? gui_group_rows(items, std::move(rows)) : rows;
}

void show_rows(std::vector<std::uint32_t> rows) {
    model.rows = std::move(rows);
    model.top = 0;
    select_only(0);
}

void free_dropped_sorts() {
    std::erase_if(model.dropped, [](const std::unique_ptr<SortJob>& job) { return job->done.load(); });
}

// Joining a sort still running would stall the frame: it is left to finish
// on its own, and freed by a later frame.
void drop_sort() {
    if (model.sort && model.sort->worker.joinable() && !model.sort->done) model.dropped.push_back(std::move(model.sort));
    model.sort.reset();
    free_dropped_sorts();
}

struct ViewOrder {
    std::vector<std::uint32_t> ordered;  // every item, so that a filter never sorts
    std::vector<std::uint32_t> rows;     // those the filter shows, grouped
};

ViewOrder view_order(const ItemList& items, const ItemsOrder& order, bool has_groups) {
    ViewOrder view{sorted_items(items, order), {}};
    const std::string needle = folded_text(order.filter);
    for (std::uint32_t index : view.ordered) {
        if (matches(items[index], needle)) view.rows.push_back(index);
    }
    if (has_groups) view.rows = gui_group_rows(items, std::move(view.rows));
    return view;
}

// A new sort of every item, at once.
void reorder(const ItemList& items) {
    drop_sort();
    ViewOrder view = view_order(items, model.order, model.has_groups);
    model.ordered = std::move(view.ordered);
    show_rows(std::move(view.rows));
}

void start_sort(const ItemList& items) {
    if (items.size() <= WORKER_SORT_ITEMS || model.order.sort == ItemColumn::NONE) return reorder(items);
    drop_sort();
    model.sort = std::make_unique<SortJob>(model.order.sort, model.order.descending);
    if (model.order.sort == ItemColumn::PATH) {
        model.sort->paths.reserve(items.size());
    } else {
        model.sort->numbers.reserve(items.size());
    }
}

void read_keys(SortJob& job, const ItemList& items, std::uint32_t end) {
    for (; job.read < end; ++job.read) {
        const CleanItem& item = items[job.read];
        if (job.column == ItemColumn::PATH) {
            job.paths.emplace_back(job.copies.add(item.path), job.read);
        } else {
            job.numbers.emplace_back(sort_key(item, job.column), job.read);
        }
    }
}

// On the worker: the sorted positions, and the keys freed there as well.
void sort_job(SortJob& job) {
    if (job.column == ItemColumn::PATH) {
        sort_keyed(job.paths, job.descending);
        job.ordered = positions(job.paths);
    } else {
        sort_keyed(job.numbers, job.descending);
        job.ordered = positions(job.numbers);
    }
    job.paths = {};
    job.numbers = {};
    job.copies = {};
    job.done = true;
}

// The rows shown now, in the order just sorted.
std::vector<std::uint32_t> shown_in_new_order(std::size_t item_count) {
    if (!model.has_groups && model.rows.size() == item_count) return model.ordered;  // no filter hides any
    std::vector<std::uint8_t> shown(item_count);
    std::size_t count = 0;
    for (std::uint32_t row : model.rows) {
        if (is_group_line(row)) continue;
        shown[row] = 1;
        ++count;
    }
    std::vector<std::uint32_t> rows;
    rows.reserve(count);
    std::ranges::copy_if(model.ordered, std::back_inserter(rows), [&](std::uint32_t row) { return shown[row] != 0; });
    return rows;
}

// Reads keys until the frame's share is spent, then hands them to the worker;
// once it is done, the sorted order with the rows the filter shows now.
void continue_sort(const ItemList& items) {
    free_dropped_sorts();
    SortJob* job = model.sort.get();
    if (!job) return;
    const auto count = static_cast<std::uint32_t>(items.size());
    const auto start = std::chrono::steady_clock::now();
    while (job->read < count && std::chrono::steady_clock::now() - start < FRAME_SHARE) {
        read_keys(*job, items, std::min<std::uint32_t>(count, job->read + SLICE_ITEMS));
    }
    if (job->read < count) return;
    if (!job->worker.joinable()) job->worker = std::jthread([job] { sort_job(*job); });
    if (!job->done) return;
    model.ordered = std::move(job->ordered);
    model.sort.reset();
    show_rows(grouped(items, shown_in_new_order(items.size())));
}

// What a longer filter shows is among what the shorter one showed, in the
// same order: only those rows are read again. Other changes read every item.
void start_filter(const ItemList& items, std::string_view typed) {
    FilterPass& pass = model.pass;
    std::string needle = folded_text(typed);
    if (pass.active && needle.find(pass.needle) != std::string::npos) {
        // Typed on while a pass runs: what it has ruled out stays out.
        pass.text = typed;
        pass.needle = std::move(needle);
        pass.next = 0;
        return;
    }
    pass.text = typed;
    pass.needle = std::move(needle);
    pass.narrowing = !model.order.filter.empty() && pass.needle.find(folded_text(model.order.filter)) != std::string::npos;
    pass.hit.assign(items.size(), pass.narrowing ? 0 : 1);
    if (pass.narrowing) {
        for (std::uint32_t row : model.rows) {
            if (!is_group_line(row)) pass.hit[row] = 1;
        }
    }
    pass.next = 0;
    pass.active = true;
}

void finish_filter(const ItemList& items) {
    FilterPass& pass = model.pass;
    const auto missed = [&](std::uint32_t row) { return !is_group_line(row) && !pass.hit[row]; };
    if (pass.narrowing) {
        std::vector<std::uint32_t> rows = std::move(model.rows);
        std::erase_if(rows, missed);
        if (model.has_groups) gui_drop_empty_group_lines(items, rows);
        show_rows(std::move(rows));
    } else {
        std::vector<std::uint32_t> rows;
        std::ranges::copy_if(model.ordered, std::back_inserter(rows), [&](std::uint32_t row) { return !missed(row); });
        show_rows(grouped(items, std::move(rows)));
    }
    model.order.filter = std::move(pass.text);
    pass = {};
}

// The candidates are read in the items' own order: visiting them in a sorted
// order would jump across memory for each.
void continue_filter(const ItemList& items) {
    FilterPass& pass = model.pass;
    if (!pass.active) return;
    if (pass.next == items.size()) return finish_filter(items);  // in a frame of its own: it reads every row
    const auto start = std::chrono::steady_clock::now();
    while (pass.next < items.size() && std::chrono::steady_clock::now() - start < FRAME_SHARE) {
        const std::size_t end = std::min(items.size(), pass.next + SLICE_ITEMS);
        for (; pass.next < end; ++pass.next) {
            if (pass.hit[pass.next]) pass.hit[pass.next] = matches(items[pass.next], pass.needle);
        }
    }
}

}  // namespace

// What a new scan's first frame shows: its items in the view's order and
// filter, and the totals of their ticks.
struct ItemsViewStart {
    ViewOrder view;
    bool has_groups = false;
    ModuleSelection modules{};
    CleanPlanSummary ticked;
};

namespace {

// A new scan: the view built for it beforehand is taken as it is, so that the
// frame showing a million items does not stall, and a key arriving before
// that frame acts on the new rows. The view comes to the front when the scan found any.
void follow_results(const ItemList* items) {
    const unsigned generation = g_gui.results_generation;
    if (!items || generation == model.generation) return;
    model.generation = generation;
    std::shared_ptr<ItemsViewStart> start;
    {
        std::lock_guard guard(g_gui.items_lock);
        if (g_gui.items_start_generation == generation) start = std::move(g_gui.items_start);
        g_gui.items_start.reset();
    }
    if (!start) start = gui_items_prepare(*items, g_gui.module_selected);  // held some other way
    drop_sort();
    model.pass = {};
    model.highlighted.assign(items->size(), 0);
    model.has_groups = start->has_groups;
    model.ordered = std::move(start->view.ordered);
    show_rows(std::move(start->view.rows));
    model.ticked = std::move(start->ticked);
    model.totals_modules = start->modules;
    model.totals_clean_tick = g_gui.clean_done_tick;
    model.totals_stale = false;
    if (!items->empty()) g_gui.view = ContentView::ITEMS;
}

const CleanPlanSummary& ticked_totals(const ItemList& items) {
    // Removed items leave the totals: they change with the ticks, the modules and every clean.
    if (model.totals_stale || model.totals_modules != g_gui.module_selected || model.totals_clean_tick != g_gui.clean_done_tick) {
        model.totals_modules = g_gui.module_selected;
        model.totals_clean_tick = g_gui.clean_done_tick;
        model.ticked = gui_summarise_plan(items, gui_clean_plan(items, g_gui.module_selected));
        model.totals_stale = false;
    }
    return model.ticked;
}

std::string date_text(const CleanItem& item) {
    const std::uint64_t ticks = last_write(item);
    if (ticks == 0) return {};
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME local{};
    SYSTEMTIME time{};
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &time)) return {};
    char text[16];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", time.wYear, time.wMonth, time.wDay);
    return text;
}

nk_color state_colour(const CleanItem& item) {
    switch (item.outcome) {
    case ItemOutcome::removed: return REMOVED_COLOUR;
    case ItemOutcome::failed: return FAILED_COLOUR;
    case ItemOutcome::skipped: return SKIPPED_COLOUR;
    case ItemOutcome::pending: break;
    }
    return item.locked ? SKIPPED_COLOUR : palette::TEXT;
}

const char* module_name(const CleanItem& item) {
    const int row = gui_tally_entry(item.description);
    return row < 0 ? "" : GUI_MODULES[row].list_name;
}

// The columns' widths for the list's inner width; the path takes what is left.
std::array<float, COLUMN_COUNT> column_widths(float width) {
    using namespace layout;
    std::array<float, COLUMN_COUNT> widths = {CHECK_COLUMN, MODULE_COLUMN, 0, SIZE_COLUMN, DATE_COLUMN, STATE_COLUMN};
    for (float& column : widths) column = gui_scaled(column);
    const float fixed = widths[0] + widths[1] + widths[3] + widths[4] + widths[5];
    widths[2] = std::max(gui_scaled(MIN_PATH_COLUMN), width - fixed - gui_scaled(LIST_SCROLLBAR));
    return widths;
}

void filter_row(const ItemList& items) {
    nk_context* ui = g_gui.ui;
    const float shares[] = {0.12f, 0.88f};
    nk_layout_row(ui, NK_DYNAMIC, gui_scaled(layout::FILTER_ROW), 2, shares);
    nk_label(ui, "Filter", NK_TEXT_LEFT);
    if (std::exchange(model.leave_filter, false)) nk_edit_unfocus(ui);
    const nk_flags state = nk_edit_string(ui, NK_EDIT_FIELD, model.filter, &model.filter_length, FILTER_CAPACITY - 1,
                                          nk_filter_default);
    model.filter_focused = (state & NK_EDIT_ACTIVE) != 0;
    const std::string_view typed(model.filter, static_cast<std::size_t>(model.filter_length));
    if (typed != (model.pass.active ? model.pass.text : model.order.filter)) start_filter(items, typed);
    continue_filter(items);
}

void header_row(const std::array<float, COLUMN_COUNT>& widths) {
    static constexpr std::pair<ItemColumn, const char*> HEADERS[] = {
        {ItemColumn::NONE, ""},         {ItemColumn::MODULE, "Module"}, {ItemColumn::PATH, "Path"},
        {ItemColumn::SIZE, "Size"},     {ItemColumn::DATE, "Modified"}, {ItemColumn::STATE, "State"}};
    nk_context* ui = g_gui.ui;
    nk_style_button& button = ui->style.button;
    const nk_style_button saved = button;
    button.normal = button.active = nk_style_item_color(palette::SLATE);
    button.hover = nk_style_item_color(palette::EDGE);
    button.text_normal = button.text_hover = button.text_active = palette::TEXT;
    button.padding = nk_vec2(gui_scaled(2), 0);
    button.rounding = 0;
    nk_layout_row(ui, NK_STATIC, gui_scaled(layout::HEADER_ROW), COLUMN_COUNT, widths.data());
    for (const auto& [column, title] : HEADERS) {
        std::string label = title;
        if (column != ItemColumn::NONE && column == model.order.sort) label += model.order.descending ? " ▼" : " ▲";
        if (column == ItemColumn::NONE) {
            nk_spacing(ui, 1);
        } else if (nk_button_label(ui, label.c_str())) {
            model.order.descending = model.order.sort == column && !model.order.descending;
            model.order.sort = column;
            if (const ItemList* items = held_items()) start_sort(*items);
        }
    }
    button = saved;
}

void set_ticks(ItemList& items, const std::vector<std::uint32_t>& which, bool ticked) {
    for (std::uint32_t index : which) items[index].selected = ticked;
    model.totals_stale = true;
}

// A duplicate group's line: the kept copy, which has no check box. A press
// moves the cursor to it, a double click shows the kept copy in its folder.
void group_line(const ItemList& items, std::size_t position, const std::array<float, COLUMN_COUNT>& widths) {
    nk_context* ui = g_gui.ui;
    const DuplicateGroup& group = *items[item_of(model.rows[position])].duplicate_group;
    const float line[] = {widths[0], widths[1] + widths[2] + widths[3] + widths[4] + widths[5]};
    nk_layout_row(ui, NK_STATIC, gui_scaled(layout::ITEM_ROW), 2, line);
    nk_spacing(ui, 1);
    const struct nk_rect row = nk_widget_bounds(ui);
    const std::string head = "Duplicate group " + std::to_string(group.number) + ": ";
    const float room = line[1] - 2 * ui->style.text.padding.x - gui_text_width(head + KEPT_MARK);
    nk_label(ui, (head + gui_fit_middle(group.kept_path, room) + KEPT_MARK).c_str(), NK_TEXT_LEFT);
    if (nk_input_is_mouse_hovering_rect(&ui->input, row)) nk_tooltip(ui, group.kept_path.c_str());
    const nk_input& input = ui->input;
    if (nk_input_has_mouse_click_down_in_rect(&input, NK_BUTTON_DOUBLE, row, nk_true) && input.mouse.buttons[NK_BUTTON_DOUBLE].clicked) {
        gui_show_in_folder(group.kept_path);
    } else if (nk_input_mouse_clicked(&input, NK_BUTTON_LEFT, row)) {
        select_only(position);
    }
}

// One row: a press highlights it (Control adds it), a double click shows it in its folder.
void item_row(ItemList& items, std::size_t position, const std::array<float, COLUMN_COUNT>& widths) {
    nk_context* ui = g_gui.ui;
    if (is_group_line(model.rows[position])) return group_line(items, position, widths);
    CleanItem& item = items[model.rows[position]];
    // A group's copies sit indented under its line.
    const char* indent = item.duplicate_group ? COPY_INDENT : "";
    nk_layout_row(ui, NK_STATIC, gui_scaled(layout::ITEM_ROW), COLUMN_COUNT, widths.data());
    const struct nk_rect first = nk_widget_bounds(ui);
    const float row_width = widths[1] + widths[2] + widths[3] + widths[4] + widths[5];
    const struct nk_rect row = nk_rect(first.x + widths[0], first.y, row_width, first.h);
    if (model.highlighted[model.rows[position]]) nk_fill_rect(nk_window_get_canvas(ui), nk_rect(first.x, first.y, row_width + widths[0], first.h), 0, HIGHLIGHT);
    int ticked = item.selected ? 1 : 0;
    if (nk_checkbox_label(ui, "", &ticked) && !gui_busy()) set_ticks(items, {model.rows[position]}, ticked != 0);
    nk_label(ui, module_name(item), NK_TEXT_LEFT);
    const struct nk_rect path_cell = nk_widget_bounds(ui);
    const float room = widths[2] - 2 * ui->style.text.padding.x - gui_text_width(indent);
    nk_label(ui, (std::string(indent) + gui_fit_middle(item.path, room)).c_str(), NK_TEXT_LEFT);
    if (nk_input_is_mouse_hovering_rect(&ui->input, path_cell)) nk_tooltip(ui, item.path.c_str());
    nk_label(ui, format_size(item.size).c_str(), NK_TEXT_RIGHT);
    nk_label(ui, date_text(item).c_str(), NK_TEXT_LEFT);
    nk_label_colored(ui, gui_item_state_text(item).c_str(), NK_TEXT_LEFT, state_colour(item));
    const nk_input& input = ui->input;
    if (nk_input_has_mouse_click_down_in_rect(&input, NK_BUTTON_DOUBLE, row, nk_true) && input.mouse.buttons[NK_BUTTON_DOUBLE].clicked) {
        gui_show_in_folder(item.path);
    } else if (nk_input_mouse_clicked(&input, NK_BUTTON_LEFT, row)) {
        if (GetKeyState(VK_CONTROL) & 0x8000) {
            model.highlighted[model.rows[position]] ^= 1;
            model.cursor = position;
        } else {
            select_only(position);
        }
    }
}

void clamp_top() {
    const std::size_t count = model.rows.size();
    const std::size_t last_top = count > model.rows_shown ? count - model.rows_shown : 0;
    model.top = std::min(model.top, last_top);
}

// The wheel over the list and a press or drag on its track move the rows shown.
void scroll_by_mouse(struct nk_rect list) {
    nk_input& input = g_gui.ui->input;
    if (input.mouse.scroll_delta.y != 0.0f && nk_input_is_mouse_hovering_rect(&input, list)) {
        const float rows = -input.mouse.scroll_delta.y * WHEEL_ROWS;
        input.mouse.scroll_delta.y = 0.0f;
        model.top = rows < 0 && static_cast<std::size_t>(-rows) > model.top ? 0 : model.top + static_cast<std::ptrdiff_t>(rows);
    }
    const struct nk_rect track = nk_rect(list.x + list.w - gui_scaled(layout::LIST_SCROLLBAR), list.y, gui_scaled(layout::LIST_SCROLLBAR), list.h);
    if (nk_input_has_mouse_click_down_in_rect(&input, NK_BUTTON_LEFT, track, nk_true) && input.mouse.buttons[NK_BUTTON_LEFT].down) {
        const float share = std::clamp((input.mouse.pos.y - track.y) / track.h, 0.0f, 1.0f);
        model.top = static_cast<std::size_t>(share * static_cast<float>(model.rows.size()));
    }
    clamp_top();
}

void draw_thumb(struct nk_rect list) {
    if (model.rows.size() <= model.rows_shown) return;
    const float count = static_cast<float>(model.rows.size());
    const float height = std::max(gui_scaled(MIN_THUMB), list.h * static_cast<float>(model.rows_shown) / count);
    const float y = list.y + (list.h - height) * static_cast<float>(model.top) / (count - static_cast<float>(model.rows_shown));
    nk_fill_rect(nk_window_get_canvas(g_gui.ui), nk_rect(list.x + list.w - gui_scaled(THUMB_WIDTH + 3), y, gui_scaled(THUMB_WIDTH), height), gui_scaled(3), palette::TEAL);
}

// Only the rows that fit are laid out and drawn, whatever the number of items.
void item_list(ItemList& items, int height, const std::array<float, COLUMN_COUNT>& widths) {
    nk_context* ui = g_gui.ui;
    nk_layout_row_dynamic(ui, static_cast<float>(height), 1);
    const struct nk_rect list = nk_widget_bounds(ui);
    const float step = gui_scaled(layout::ITEM_ROW) + static_cast<float>(g_gui.metrics.row_spacing);
    model.rows_shown = std::max<std::size_t>(1, static_cast<std::size_t>(list.h / step));
    scroll_by_mouse(list);
    const struct nk_vec2 saved_padding = ui->style.window.group_padding;
    ui->style.window.group_padding = nk_vec2(0, 0);
    if (nk_group_begin(ui, "Items", NK_WINDOW_NO_SCROLLBAR)) {
        const std::size_t end = std::min(model.rows.size(), model.top + model.rows_shown);
        for (std::size_t position = model.top; position < end; ++position) item_row(items, position, widths);
        nk_group_end(ui);
    }
    ui->style.window.group_padding = saved_padding;
    draw_thumb(list);
}

bool cursor_on_copy(const ItemList& items) {
    if (model.cursor >= model.rows.size()) return false;
    const std::uint32_t row = model.rows[model.cursor];
    return !is_group_line(row) && items[row].duplicate_group;
}

void keep_cursor_copy(ItemList& items);

// The totals, and "Keep this copy" while the cursor is on a duplicate copy.
void footer_row(ItemList& items) {
    nk_context* ui = g_gui.ui;
    const CleanPlanSummary& ticked = ticked_totals(items);
    char text[128];
    std::snprintf(text, sizeof text, "Ticked: %llu items, %s", static_cast<unsigned long long>(ticked.count),
                  format_size(ticked.bytes).c_str());
    const bool copy = cursor_on_copy(items);
    const float keep = static_cast<float>(g_gui.metrics.keep_button_width);
    const float room = nk_window_get_content_region_size(ui).x - keep - ui->style.window.spacing.x;
    const float widths[] = {copy ? room : room + keep, keep};
    nk_layout_row(ui, NK_STATIC, gui_scaled(layout::FOOTER_ROW), copy ? 2 : 1, widths);
    nk_label(ui, text, NK_TEXT_LEFT);
    if (copy && nk_button_label(ui, LABEL_KEEP_COPY)) keep_cursor_copy(items);
}

void scroll_into_view() {
    if (model.cursor < model.top) model.top = model.cursor;
    if (model.cursor >= model.top + model.rows_shown) model.top = model.cursor + 1 - model.rows_shown;
}

std::vector<std::uint32_t> highlighted_rows() {
    std::vector<std::uint32_t> chosen;
    for (std::uint32_t index : model.rows) {
        if (!is_group_line(index) && model.highlighted[index]) chosen.push_back(index);
    }
    return chosen;
}

void copy_paths(const ItemList& items) {
    std::string text;
    for (std::uint32_t index : highlighted_rows()) text.append(items[index].path).append("\r\n");
    gui_copy_to_clipboard(g_gui.window, text);
}

// Every highlighted row takes the opposite of the cursor row's tick (the
// first highlighted row's, when the cursor is on a group's line).
void toggle_ticks(ItemList& items) {
    const std::vector<std::uint32_t> chosen = highlighted_rows();
    if (gui_busy() || chosen.empty()) return;
    const std::uint32_t cursor_row = model.rows[model.cursor];
    const bool ticked = !items[is_group_line(cursor_row) ? chosen.front() : cursor_row].selected;
    set_ticks(items, chosen, ticked);
}

// "Keep this copy" on the cursor's copy: the view is rebuilt around the same
// position, which now holds the copy that was kept before.
void keep_cursor_copy(ItemList& items) {
    const std::uint32_t row = model.rows[model.cursor];
    if (gui_busy() || is_group_line(row) || !gui_keep_copy(items, row)) return;
    reorder(items);
    const auto found = std::ranges::find(model.rows, row);  // the filter may hide the old kept copy
    select_only(found == model.rows.end() ? 0 : static_cast<std::size_t>(found - model.rows.begin()));
    if (model.pass.active) start_filter(items, std::string(model.pass.text));  // the rows it narrows changed
    scroll_into_view();
    model.totals_stale = true;
}

std::size_t moved_cursor(WPARAM key) {
    const std::size_t last = model.rows.size() - 1;
    const std::size_t page = std::max<std::size_t>(1, model.rows_shown - 1);
    switch (key) {
    case VK_UP: return model.cursor > 0 ? model.cursor - 1 : 0;
    case VK_DOWN: return std::min(last, model.cursor + 1);
    case VK_PRIOR: return model.cursor > page ? model.cursor - page : 0;
    case VK_NEXT: return std::min(last, model.cursor + page);
    case VK_HOME: return 0;
    default: return last;  // VK_END
    }
}

}  // namespace

std::vector<std::uint32_t> gui_order_items(const ItemList& items, const ItemsOrder& order) {
    return view_order(items, order, true).rows;
}

std::shared_ptr<ItemsViewStart> gui_items_prepare(const ItemList& items, const ModuleSelection& modules) {
    auto start = std::make_shared<ItemsViewStart>();
    start->has_groups = std::ranges::any_of(items, [](const CleanItem& item) { return item.duplicate_group != nullptr; });
    start->view = view_order(items, model.order, start->has_groups);
    start->modules = modules;
    start->ticked = gui_summarise_plan(items, gui_clean_plan(items, modules));
    return start;
}

bool gui_items_working() { return model.pass.active || model.sort; }

std::string gui_item_state_text(const CleanItem& item) {
    switch (item.outcome) {
    case ItemOutcome::removed: return item.how == Removal::recycled ? "recycled" : "removed";
    case ItemOutcome::skipped: return "skipped: " + item.reason;
    case ItemOutcome::failed: return "failed: " + item.reason;
    case ItemOutcome::pending: break;
    }
    if (!item.locked) return {};
    if (!item.locked_by) return "locked";
    return "locked by " + *item.locked_by + " (" + std::to_string(item.locker_pid) + ")";
}

void gui_items_follow_results() { follow_results(held_items()); }

void gui_items_view(int height) {
    nk_context* ui = g_gui.ui;
    ItemList* items = held_items();
    if (!items) {
        nk_layout_row_dynamic(ui, static_cast<float>(height), 1);
        nk_label(ui, g_gui.scanning ? "Scanning..." : "Scan to see what can be cleaned.", NK_TEXT_CENTERED);
        return;
    }
    // A running clean writes the items' outcomes; everything below reads them.
    std::lock_guard guard(g_gui.items_lock);
    continue_sort(*items);
    filter_row(*items);
    const auto widths = column_widths(nk_window_get_content_region_size(ui).x);
    header_row(widths);
    const float chrome = gui_scaled(layout::FILTER_ROW + layout::HEADER_ROW + layout::FOOTER_ROW) + 3.0f * static_cast<float>(g_gui.metrics.row_spacing);
    item_list(*items, height - static_cast<int>(chrome), widths);
    footer_row(*items);
}

bool gui_items_view_key(WPARAM key, bool control) {
    // Typing goes to the filter box; Escape there leaves the box, not the window.
    if (model.filter_focused) {
        if (key != VK_ESCAPE) return false;
        model.leave_filter = true;  // Nuklear can drop the focus only within a frame
        model.filter_focused = false;
        return true;
    }
    ItemList* items = held_items();
    follow_results(items);  // a key may arrive before the frame that shows a new scan
    if (!items || model.rows.empty()) return false;
    switch (key) {
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
        select_only(moved_cursor(key));
        scroll_into_view();
        return true;
    case VK_SPACE: toggle_ticks(*items); return true;
    case VK_RETURN: {
        const std::uint32_t row = model.rows[model.cursor];
        const CleanItem& item = (*items)[item_of(row)];
        gui_show_in_folder(is_group_line(row) ? item.duplicate_group->kept_path : item.path);
        return true;
    }
    case 'K':
        if (control) return false;
        keep_cursor_copy(*items);
        return true;
    case 'A':
        if (!control) return false;
        for (std::uint32_t row : model.rows) {
            if (!is_group_line(row)) model.highlighted[row] = 1;
        }
        return true;
    case 'C':
        if (!control) return false;
        copy_paths(*items);
        return true;
    default: return false;
    }
}

void gui_tick_module_items(int module_row, bool ticked) {
    ItemList* items = held_items();
    if (!items || gui_busy()) return;
    for (CleanItem& item : *items) {
        if (gui_tally_entry(item.description) == module_row) item.selected = ticked;
    }
    model.totals_stale = true;
}
