#include "gui/clean_plan.h"
#include "gui/gui_state.h"
#include "gui/items_view.h"
#include "gui/layout.h"
#include "gui/palette.h"
#include "gui/status_line.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr nk_color CLEAR_COLOUR = palette::NIGHT;
constexpr nk_color SCAN_NORMAL = palette::TEAL;
constexpr nk_color SCAN_HOVER = palette::HOVER_BLUE;
constexpr nk_color CLEAN_NORMAL = palette::EMERALD;
constexpr nk_color CLEAN_HOVER = palette::HOVER_GREEN;

// While something can change the picture, frames are drawn at about display
// rate; while a worker runs, at most every 50 ms, however fast it reports.
constexpr DWORD LIVE_FRAME_INTERVAL_MS = 16;
constexpr DWORD BUSY_FRAME_INTERVAL_MS = 50;

// Feeds waiting messages to Nuklear. A mouse button message ends the batch:
// Nuklear sees a click only when press and release arrive in different
// frames, and a synthetic or fast click queues both at once. Returns true
// when messages were left for the next frame.
bool pump_messages() {
    nk_input_begin(g_gui.ui);
    const bool left_over = gui_pump_messages(PumpBatch::UNTIL_MOUSE_BUTTON);
    nk_input_end(g_gui.ui);
    return left_over;
}

// Sleeps until a message arrives when nothing else can change the picture;
// otherwise waits at most one frame interval (returning early for any message).
void wait_for_next_frame(bool live, bool busy) {
    const DWORD interval = busy ? BUSY_FRAME_INTERVAL_MS : live ? LIVE_FRAME_INTERVAL_MS : INFINITE;
    MsgWaitForMultipleObjectsEx(0, nullptr, interval, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void set_button_colours(nk_style_button& button, nk_color normal, nk_color hover) {
    button.normal = nk_style_item_color(normal);
    button.hover = nk_style_item_color(hover);
}

// A module's check box and, once a scan has listed items, a row under it with
// "all" and "none" for its items (the label keeps the whole width).
void module_row(int row) {
    nk_context* ui = g_gui.ui;
    const float height = static_cast<float>(g_gui.metrics.sidebar_row);
    nk_layout_row_dynamic(ui, height, 1);
    nk_checkbox_label(ui, GUI_MODULES[row].module->window_label, &g_gui.module_selected[row]);
    if (!g_gui.has_results || g_gui.result_items == 0 || g_gui.scanning) return;
    const float shares[] = {layout::MODULE_INDENT_SHARE, (1 - layout::MODULE_INDENT_SHARE) / 2,
                            (1 - layout::MODULE_INDENT_SHARE) / 2};
    nk_layout_row(ui, NK_DYNAMIC, height, 3, shares);
    nk_spacing(ui, 1);
    nk_style_button& button = ui->style.button;
    const nk_style_button saved = button;
    set_button_colours(button, palette::SLATE, palette::EDGE);
    button.text_normal = button.text_hover = button.text_active = palette::TEXT;
    button.padding = nk_vec2(2, 2);
    if (nk_button_label(ui, "all")) gui_tick_module_items(row, true);
    if (nk_button_label(ui, "none")) gui_tick_module_items(row, false);
    button = saved;
}

float px(int pixels) { return static_cast<float>(pixels); }

void sidebar() {
    nk_context* ui = g_gui.ui;
    const GuiMetrics& m = g_gui.metrics;
    if (!nk_group_begin(ui, "Sidebar", NK_WINDOW_BORDER)) return;
    nk_layout_row_dynamic(ui, px(m.sidebar_caption_row), 1);
    nk_label(ui, LABEL_MODULES, NK_TEXT_LEFT);
    nk_layout_row_dynamic(ui, px(m.sidebar_row), 1);
    if (nk_button_label(ui, LABEL_SELECT_ALL)) g_gui.module_selected.fill(1);
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) module_row(i);
    nk_group_end(ui);
}

// Scan and Clean. The Clean button is only coloured grey when it cannot
// clean: a press then explains why instead of doing nothing.
void button_row() {
    nk_context* ui = g_gui.ui;
    const GuiMetrics& m = g_gui.metrics;
    nk_style_button& button = ui->style.button;
    nk_layout_row_begin(ui, NK_STATIC, px(m.button_row), 7);
    const nk_style_button saved = button;
    set_button_colours(button, SCAN_NORMAL, SCAN_HOVER);
    button.text_normal = button.text_hover = button.text_active = palette::WHITE;
    nk_layout_row_push(ui, px(m.scan_button_width));
    if (nk_button_label(ui, LABEL_SCAN) && !gui_busy()) gui_start_scan();
    nk_layout_row_push(ui, px(m.button_gap));
    nk_spacing(ui, 1);
    const bool can_clean = gui_can_clean();
    if (can_clean) {
        set_button_colours(button, CLEAN_NORMAL, CLEAN_HOVER);
    } else {
        set_button_colours(button, palette::DISABLED_FILL, palette::DISABLED_FILL);
        button.text_normal = palette::DISABLED_TEXT;
    }
    nk_layout_row_push(ui, px(m.clean_button_width));
    if (nk_button_label(ui, LABEL_CLEAN)) {
        if (can_clean) {
            gui_request_clean();
        } else if (!gui_busy()) {
            gui_log("⚠ Clean button is disabled. Please scan first.\n");
        }
    }
    nk_layout_row_push(ui, gui_scaled(layout::BUTTON_GAP));
    nk_spacing(ui, 1);
    if (gui_busy()) {
        set_button_colours(button, palette::AMBER, palette::HOVER_BLUE);
        button.text_normal = palette::WHITE;
    } else {
        set_button_colours(button, palette::DISABLED_FILL, palette::DISABLED_FILL);
        button.text_normal = palette::DISABLED_TEXT;
    }
    nk_layout_row_push(ui, gui_scaled(layout::BUTTON_WIDTH));
    if (nk_button_label(ui, "Cancel") && gui_busy()) g_gui.cancel_requested = true;
    nk_layout_row_push(ui, gui_scaled(layout::BUTTON_GAP));
    nk_spacing(ui, 1);
    const bool can_export = g_gui.result_items > 0 && !gui_busy();
    set_button_colours(button, can_export ? palette::SLATE : palette::DISABLED_FILL,
                       can_export ? palette::EDGE : palette::DISABLED_FILL);
    button.text_normal = can_export ? palette::TEXT : palette::DISABLED_TEXT;
    nk_layout_row_push(ui, gui_scaled(layout::EXPORT_WIDTH));
    if (nk_button_label(ui, "Export plan…") && can_export) gui_export_plan();
    button.normal = saved.normal;
    button.hover = saved.hover;
    button.text_normal = saved.text_normal;
    button.text_hover = saved.text_hover;
    button.text_active = saved.text_active;
    button.border = 0;
    nk_layout_row_end(ui);
}

// The tabs that switch the right pane between the log and the items.
void view_tabs() {
    nk_context* ui = g_gui.ui;
    nk_layout_row_static(ui, px(g_gui.metrics.log_caption_row), gui_scale(layout::TAB_WIDTH, g_gui.metrics.dpi), 2);
    char items_label[64];
    std::snprintf(items_label, sizeof items_label, "Items (%llu)",
                  static_cast<unsigned long long>(g_gui.scanning ? 0 : g_gui.result_items.load()));
    int on_log = g_gui.view == ContentView::LOG;
    int on_items = !on_log;
    if (nk_selectable_label(ui, "Activity Log", NK_TEXT_CENTERED, &on_log) && on_log) g_gui.view = ContentView::LOG;
    if (nk_selectable_label(ui, items_label, NK_TEXT_CENTERED, &on_items) && on_items) g_gui.view = ContentView::ITEMS;
}

void content(int height) {
    nk_context* ui = g_gui.ui;
    if (!nk_group_begin(ui, "Content", NK_WINDOW_BORDER)) return;
    gui_items_follow_results();
    view_tabs();
    // Both views edit text (the log box, the filter), and Nuklear keeps one
    // focus per window: a switch must not hand the log's focus to the filter.
    static ContentView shown = ContentView::LOG;
    if (g_gui.view != shown) nk_edit_unfocus(ui);
    shown = g_gui.view;
    const int view_height = height - g_gui.metrics.log_reserve - gui_scale(layout::PROGRESS_ROW, g_gui.metrics.dpi) - g_gui.metrics.row_spacing;
    if (g_gui.view == ContentView::ITEMS) {
        gui_items_view(view_height);
    } else {
        gui_log_box(view_height);
    }
    button_row();
    gui_progress_row();
    nk_group_end(ui);
}

void status_row(int width) {
    const StatusLine line = gui_compose_status_line();
    const GuiMetrics& m = g_gui.metrics;
    nk_layout_row_static(g_gui.ui, px(m.status_row), width - m.status_margin, 1);
    nk_label_colored(g_gui.ui, line.text.c_str(), NK_TEXT_LEFT, line.colour);
}

// A thread with default security and stack, no argument; null when it cannot start.
HANDLE start_thread(LPTHREAD_START_ROUTINE routine) {
    return CreateThread(nullptr, 0, routine, nullptr, 0, nullptr);
}

}  // namespace

void gui_build_frame(int width, int height) {
    nk_context* ui = g_gui.ui;
    if (nk_begin(ui, "Tidewick", nk_rect(0, 0, static_cast<float>(width), static_cast<float>(height)),
                 NK_WINDOW_BORDER)) {
        gui_mask_input_for_dialog();
        const GuiMetrics& m = g_gui.metrics;
        nk_layout_row_begin(ui, NK_DYNAMIC, px(height - m.status_reserve), 2);
        nk_layout_row_push(ui, m.sidebar_share);
        sidebar();
        nk_layout_row_push(ui, 1.0f - m.sidebar_share);
        content(height);
        nk_layout_row_end(ui);
        status_row(width);
        gui_confirm_dialog(width, height);
    }
    nk_end(ui);
}

void gui_run() {
    while (g_gui.running) {
        const bool left_over = pump_messages();
        // Taken before drawing: a flag that clears after this point still gets its frame.
        const bool busy = gui_busy();
        const bool live = left_over || busy || gui_log_box_following(GetTickCount()) || gui_items_working();
        RECT client{};
        GetClientRect(g_gui.window, &client);
        gui_build_frame(client.right - client.left, client.bottom - client.top);
        gdi_backend_render(CLEAR_COLOUR);
        if (g_gui.running) wait_for_next_frame(live, busy && !left_over);
    }
}

bool gui_busy() { return g_gui.scanning || g_gui.cleaning; }

bool gui_can_clean() { return g_gui.has_results && g_gui.result_items > 0 && !gui_busy(); }

void gui_request_clean() {
    if (!gui_can_clean() || g_gui.confirming || !g_gui.scan_results) return;
    const ItemList& items = g_gui.scan_results->items;
    const std::vector<std::size_t> plan = gui_clean_plan(items, g_gui.module_selected);
    if (plan.empty()) {
        gui_log("⚠ Nothing to clean: no item of a ticked module is ticked.\n");
        return;
    }
    g_gui.confirmation_text = gui_confirmation_text(gui_summarise_plan(items, plan));
    g_gui.confirming = true;
}

void gui_start_scan() {
    g_gui.scanning = true;
    g_gui.cancel_requested = false;
    g_gui.has_results = false;
    g_gui.clean_outcome_shown = false;
    g_gui.operation_start_tick = GetTickCount();
    {
        std::lock_guard guard(g_gui.log_lock);
        std::memset(g_gui.activity_log, 0, sizeof g_gui.activity_log);
        g_gui.activity_log_length = 0;
    }
    g_gui.log_follow = true;
    g_gui.result_items = 0;
    g_gui.result_size = 0;
    // The worker reads this copy: Nuklear writes module_selected every frame.
    g_gui.scan_selection = g_gui.module_selected;
    g_gui.scan_thread.reset(start_thread(scan_worker));
    if (!g_gui.scan_thread) g_gui.scanning = false;
}

void gui_start_clean() {
    g_gui.cleaning = true;
    g_gui.cancel_requested = false;
    // The worker reads this copy: Nuklear writes module_selected every frame.
    g_gui.clean_selection = g_gui.module_selected;
    g_gui.operation_start_tick = GetTickCount();
    g_gui.clean_thread.reset(start_thread(clean_worker));
    if (!g_gui.clean_thread) g_gui.cleaning = false;
}
