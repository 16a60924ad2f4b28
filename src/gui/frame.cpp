#include "gui/gui_state.h"
#include "gui/palette.h"
#include "gui/status_line.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

constexpr char WELCOME_HEADING[] = "Ready to scan. Select modules on the left and click 'Scan' to start.\n";

constexpr nk_color CLEAR_COLOUR = palette::NIGHT;
constexpr nk_color SCAN_NORMAL = palette::TEAL;
constexpr nk_color SCAN_HOVER = palette::HOVER_BLUE;
constexpr nk_color CLEAN_NORMAL = palette::EMERALD;
constexpr nk_color CLEAN_HOVER = palette::HOVER_GREEN;

// The log box follows the end of the text this long after every change.
constexpr DWORD FOLLOW_WINDOW_MS = 2000;
// The wheel scrolls this many lines a notch, as Windows' text boxes do.
constexpr float WHEEL_LINES = 3.0f;
// A view offset beyond any text: the box clamps it to show the last lines.
constexpr float VIEW_END = 1.0e9f;
// While something can change the picture, frames are drawn at about display rate.
constexpr DWORD LIVE_FRAME_INTERVAL_MS = 16;

struct FrameState {
    DWORD last_change_tick = 0;
    int last_seen_length = 0;
};

FrameState frame;

bool follow_window_open(DWORD now) {
    return frame.last_change_tick != 0 && now - frame.last_change_tick < FOLLOW_WINDOW_MS;
}

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

// The heading and one line per module, without a final line feed.
const std::string& welcome_text() {
    static const std::string text = [] {
        std::string composed = WELCOME_HEADING;
        for (const GuiModule& module : GUI_MODULES) composed.append("\n• ").append(module.welcome_line);
        return composed;
    }();
    return text;
}

// Sleeps until a message arrives when nothing else can change the picture;
// otherwise waits at most one frame interval (returning early for any message).
void wait_for_next_frame(bool live) {
    MsgWaitForMultipleObjectsEx(0, nullptr, live ? LIVE_FRAME_INTERVAL_MS : INFINITE, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}

// Under log_lock: the welcome text fills an empty log only while no worker
// runs, so a report never starts with it.
void show_welcome_if_empty() {
    if (g_gui.activity_log_length != 0 || g_gui.scanning || g_gui.cleaning) return;
    const std::string& text = welcome_text();
    const std::size_t length = std::min(text.size(), sizeof g_gui.activity_log - 1);
    std::memcpy(g_gui.activity_log, text.data(), length);
    g_gui.activity_log[length] = '\0';
    g_gui.activity_log_length = static_cast<int>(length);
}

// Under log_lock: whether the box should show the end of the text this frame.
// A reader who scrolls closes the follow window until the text changes again.
bool should_follow(DWORD now, bool reader_scrolled) {
    bool changed = false;
    if (g_gui.log_dirty) {
        g_gui.log_dirty = false;
        changed = true;
    }
    if (g_gui.log_follow.exchange(false)) changed = true;
    if (g_gui.activity_log_length > frame.last_seen_length) changed = true;
    frame.last_seen_length = g_gui.activity_log_length;
    if (changed) {
        frame.last_change_tick = now;
    } else if (reader_scrolled) {
        frame.last_change_tick = 0;
    }
    return changed || follow_window_open(now);
}

// Takes a key out of Nuklear's input; true when it was pressed this frame.
bool take_key(nk_input& input, nk_keys key) {
    const bool pressed = nk_input_is_key_pressed(&input, key) != 0;
    input.keyboard.keys[key].clicked = 0;
    return pressed;
}

// The view offset the reader asks for this frame, or a negative value. All
// four scroll keys are taken, and the wheel when it turns over the box.
float requested_offset(nk_input& input, struct nk_rect box, float offset) {
    const nk_style_edit& style = g_gui.ui->style.edit;
    const float page = box.h - 2.0f * (style.padding.y + style.border);
    const float line = g_gui.ui->style.font->height + style.row_padding;
    const bool top = take_key(input, NK_KEY_SCROLL_START);
    const bool bottom = take_key(input, NK_KEY_SCROLL_END);
    const bool page_up = take_key(input, NK_KEY_SCROLL_UP);
    const bool page_down = take_key(input, NK_KEY_SCROLL_DOWN);
    float wanted = -1.0f;
    if (top) {
        wanted = 0.0f;
    } else if (bottom) {
        wanted = VIEW_END;
    } else if (page_up) {
        wanted = std::max(0.0f, offset - page);
    } else if (page_down) {
        wanted = offset + page;
    }
    const float notches = input.mouse.scroll_delta.y;  // positive away from the user
    if (notches != 0.0f && nk_input_is_mouse_hovering_rect(&input, box)) {
        input.mouse.scroll_delta.y = 0.0f;
        wanted = std::max(0.0f, (wanted < 0.0f ? offset : wanted) - notches * WHEEL_LINES * line);
    }
    return wanted;
}

// Nuklear's text box scrolls only by dragging its scroll bar, and pulls its
// view back to the caret on any key. So the frame takes the wheel and the
// scroll keys out of the input before the box sees them and moves the view
// itself; the caret and the selection stay where they are. Nuklear keeps a
// view offset only for the focused box, so scrolling focuses it (with the
// caret at the end when it was not focused). True when the reader scrolled.
bool scroll_as_asked(struct nk_rect box) {
    nk_edit_state& edit = g_gui.ui->current->edit;
    const bool focused = edit.active && edit.name == edit.seq;
    const float wanted = requested_offset(g_gui.ui->input, box, focused ? static_cast<float>(edit.scrollbar.y) : 0.0f);
    if (wanted < 0.0f) return false;
    if (!focused) {
        nk_edit_focus(g_gui.ui, NK_EDIT_BOX);
        edit.cursor = edit.sel_start = edit.sel_end = nk_utf_len(g_gui.activity_log, g_gui.activity_log_length);
    }
    edit.scrollbar.y = static_cast<nk_uint>(wanted);  // the box clamps it to its text
    return true;
}

// While a worker runs the box acts focused with the cursor at the end; a
// follow request scrolls to the end (Nuklear clamps the offset next frame).
void steer_edit_state(bool follow) {
    nk_edit_state& edit = g_gui.ui->current->edit;
    if (g_gui.scanning || g_gui.cleaning) {
        edit.active = nk_true;
        edit.mode = NK_TEXT_EDIT_MODE_INSERT;
        // Nuklear counts the cursor in characters, not bytes.
        edit.cursor = edit.sel_start = edit.sel_end = nk_utf_len(g_gui.activity_log, g_gui.activity_log_length);
    }
    if (follow || g_gui.log_follow) edit.scrollbar.y = UINT_MAX;
}

void log_box(int height) {
    std::lock_guard guard(g_gui.log_lock);
    show_welcome_if_empty();
    nk_layout_row_dynamic(g_gui.ui, static_cast<float>(height - 120), 1);
    if (g_gui.activity_log_length > ACTIVITY_LOG_LIMIT) {
        g_gui.activity_log_length = ACTIVITY_LOG_LIMIT;
        g_gui.activity_log[ACTIVITY_LOG_LIMIT] = '\0';
    }
    const bool reader_scrolled = scroll_as_asked(nk_widget_bounds(g_gui.ui));
    const bool follow = should_follow(GetTickCount(), reader_scrolled);
    int length = g_gui.activity_log_length;
    nk_edit_string(g_gui.ui, NK_EDIT_BOX, g_gui.activity_log, &length, ACTIVITY_LOG_LIMIT, nk_filter_default);
    steer_edit_state(follow);
    g_gui.activity_log_length = length;
}

void sidebar() {
    nk_context* ui = g_gui.ui;
    if (!nk_group_begin(ui, "Sidebar", NK_WINDOW_BORDER)) return;
    nk_layout_row_dynamic(ui, 28, 1);
    nk_label(ui, "Modules", NK_TEXT_LEFT);
    nk_layout_row_dynamic(ui, 26, 1);
    if (nk_button_label(ui, "Select all")) g_gui.module_selected.fill(1);
    nk_layout_row_dynamic(ui, 26, 1);
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) nk_checkbox_label(ui, GUI_MODULES[i].check_box_label, &g_gui.module_selected[i]);
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
    nk_style_button& button = ui->style.button;
    nk_layout_row_begin(ui, NK_STATIC, 30, 3);
    const nk_style_button saved = button;
    set_button_colours(button, SCAN_NORMAL, SCAN_HOVER);
    button.text_normal = button.text_hover = button.text_active = palette::WHITE;
    nk_layout_row_push(ui, 80);
    if (nk_button_label(ui, "🔍 Scan") && !g_gui.scanning && !g_gui.cleaning) gui_start_scan();
    nk_layout_row_push(ui, 10);
    nk_spacing(ui, 1);
    const bool can_clean = gui_can_clean();
    if (can_clean) {
        set_button_colours(button, CLEAN_NORMAL, CLEAN_HOVER);
    } else {
        set_button_colours(button, palette::DISABLED_FILL, palette::DISABLED_FILL);
        button.text_normal = palette::DISABLED_TEXT;
    }
    nk_layout_row_push(ui, 80);
    if (nk_button_label(ui, "✨ Clean")) {
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
    nk_layout_row_dynamic(ui, 25, 1);
    nk_label(ui, "Activity Log", NK_TEXT_LEFT);
    log_box(height);
    button_row();
    nk_group_end(ui);
}

void status_row(int width) {
    const StatusLine line = gui_compose_status_line();
    nk_layout_row_static(g_gui.ui, 20, width - 10, 1);
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
        nk_layout_row_begin(ui, NK_DYNAMIC, static_cast<float>(height - 30), 2);
        nk_layout_row_push(ui, 0.26f);
        sidebar();
        nk_layout_row_push(ui, 0.74f);
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
        const bool live = left_over || g_gui.scanning || g_gui.cleaning || follow_window_open(GetTickCount());
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
