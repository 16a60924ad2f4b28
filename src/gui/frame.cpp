#include "gui/gui_state.h"
#include "gui/palette.h"
#include "gui/status_line.h"

#include <cstring>

namespace {

constexpr nk_color CLEAR_COLOUR = palette::NIGHT;
constexpr nk_color SCAN_NORMAL = palette::TEAL;
constexpr nk_color SCAN_HOVER = palette::HOVER_BLUE;
constexpr nk_color CLEAN_NORMAL = palette::EMERALD;
constexpr nk_color CLEAN_HOVER = palette::HOVER_GREEN;

// While something can change the picture, frames are drawn at about display rate.
constexpr DWORD LIVE_FRAME_INTERVAL_MS = 16;

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
void wait_for_next_frame(bool live) {
    MsgWaitForMultipleObjectsEx(0, nullptr, live ? LIVE_FRAME_INTERVAL_MS : INFINITE, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
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
    nk_layout_row_dynamic(ui, px(m.sidebar_row), 1);
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) nk_checkbox_label(ui, GUI_MODULES[i].module->window_label, &g_gui.module_selected[i]);
    nk_group_end(ui);
}

void set_button_colours(nk_style_button& button, nk_color normal, nk_color hover) {
    button.normal = nk_style_item_color(normal);
    button.hover = nk_style_item_color(hover);
}

// Scan and Clean. The Clean button is only coloured grey when it cannot
// clean: a press then explains why instead of doing nothing.
void button_row() {
    nk_context* ui = g_gui.ui;
    const GuiMetrics& m = g_gui.metrics;
    nk_style_button& button = ui->style.button;
    nk_layout_row_begin(ui, NK_STATIC, px(m.button_row), 3);
    const nk_style_button saved = button;
    set_button_colours(button, SCAN_NORMAL, SCAN_HOVER);
    button.text_normal = button.text_hover = button.text_active = palette::WHITE;
    nk_layout_row_push(ui, px(m.scan_button_width));
    if (nk_button_label(ui, LABEL_SCAN) && !g_gui.scanning && !g_gui.cleaning) gui_start_scan();
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
            gui_start_clean();
        } else {
            gui_log("⚠ Clean button is disabled. Please scan first.\n");
        }
    }
    button.normal = saved.normal;
    button.hover = saved.hover;
    button.text_normal = saved.text_normal;
    button.text_hover = saved.text_hover;
    button.text_active = saved.text_active;
    button.border = 0;
    nk_layout_row_end(ui);
}

void content(int height) {
    nk_context* ui = g_gui.ui;
    if (!nk_group_begin(ui, "Content", NK_WINDOW_BORDER)) return;
    nk_layout_row_dynamic(ui, px(g_gui.metrics.log_caption_row), 1);
    nk_label(ui, LABEL_ACTIVITY_LOG, NK_TEXT_LEFT);
    gui_log_box(height - g_gui.metrics.log_reserve);
    button_row();
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
        const GuiMetrics& m = g_gui.metrics;
        nk_layout_row_begin(ui, NK_DYNAMIC, px(height - m.status_reserve), 2);
        nk_layout_row_push(ui, m.sidebar_share);
        sidebar();
        nk_layout_row_push(ui, 1.0f - m.sidebar_share);
        content(height);
        nk_layout_row_end(ui);
        status_row(width);
    }
    nk_end(ui);
}

void gui_run() {
    while (g_gui.running) {
        const bool left_over = pump_messages();
        // Taken before drawing: a flag that clears after this point still gets its frame.
        const bool live = left_over || g_gui.scanning || g_gui.cleaning || gui_log_box_following(GetTickCount());
        RECT client{};
        GetClientRect(g_gui.window, &client);
        gui_build_frame(client.right - client.left, client.bottom - client.top);
        gdi_backend_render(CLEAR_COLOUR);
        if (g_gui.running) wait_for_next_frame(live);
    }
}

bool gui_can_clean() {
    return g_gui.has_results && g_gui.result_items > 0 && !g_gui.scanning && !g_gui.cleaning;
}

void gui_start_scan() {
    g_gui.scanning = true;
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
    g_gui.operation_start_tick = GetTickCount();
    g_gui.clean_thread.reset(start_thread(clean_worker));
    if (!g_gui.clean_thread) g_gui.cleaning = false;
}
