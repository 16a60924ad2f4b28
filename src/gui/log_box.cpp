// The activity log box: the welcome text, following new text, and scrolling
// by wheel and keys.
#include "gui/gui_state.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr char WELCOME_HEADING[] = "Ready to scan. Select modules on the left and click 'Scan' to start.\n";

// The log box follows the end of the text this long after every change.
constexpr DWORD FOLLOW_WINDOW_MS = 2000;
// The wheel scrolls this many lines a notch, as Windows' text boxes do.
constexpr float WHEEL_LINES = 3.0f;
// A view offset beyond any text: the box clamps it to show the last lines.
constexpr nk_uint VIEW_END = 1000000000;

// Kept across frames.
struct FollowState {
    DWORD last_change_tick = 0;
    int last_seen_length = 0;
    bool reader_focused = false;  // the reader clicked into the box and not elsewhere since
};

FollowState following;

bool follow_window_open(DWORD now) {
    return following.last_change_tick != 0 && now - following.last_change_tick < FOLLOW_WINDOW_MS;
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
    if (g_gui.activity_log_length > following.last_seen_length) changed = true;
    following.last_seen_length = g_gui.activity_log_length;
    if (changed) {
        following.last_change_tick = now;
    } else if (reader_scrolled) {
        following.last_change_tick = 0;
    }
    return changed || follow_window_open(now);
}

// Takes a key out of Nuklear's input; true when it was pressed this frame.
bool take_key(nk_input& input, nk_keys key) {
    const bool pressed = nk_input_is_key_pressed(&input, key) != 0;
    input.keyboard.keys[key].clicked = 0;
    return pressed;
}

// The offset the scroll keys ask for, or a negative value.
float requested_by_keys(nk_input& input, float offset, float page) {
    const bool top = take_key(input, NK_KEY_SCROLL_START);
    const bool bottom = take_key(input, NK_KEY_SCROLL_END);
    const bool page_up = take_key(input, NK_KEY_SCROLL_UP);
    const bool page_down = take_key(input, NK_KEY_SCROLL_DOWN);
    if (top) return 0.0f;
    if (bottom) return static_cast<float>(VIEW_END);
    if (page_up) return std::max(0.0f, offset - page);
    if (page_down) return offset + page;
    return -1.0f;
}

// The view offset the reader asks for this frame, or a negative value. The
// four scroll keys are taken while the box has the reader's focus, the wheel
// whenever it turns over the box.
float requested_offset(nk_input& input, struct nk_rect box, float offset, bool focused) {
    const nk_style_edit& style = g_gui.ui->style.edit;
    const float page = box.h - 2.0f * (style.padding.y + style.border);
    const float line = g_gui.ui->style.font->height + style.row_padding;
    float wanted = -1.0f;
    if (focused) wanted = requested_by_keys(input, offset, page);
    const float notches = input.mouse.scroll_delta.y;  // positive away from the user
    if (notches != 0.0f && nk_input_is_mouse_hovering_rect(&input, box)) {
        input.mouse.scroll_delta.y = 0.0f;
        wanted = std::max(0.0f, (wanted < 0.0f ? offset : wanted) - notches * WHEEL_LINES * line);
    }
    return wanted;
}

// Focuses the box with the caret at the end of the text (Nuklear counts the
// caret in characters, not bytes).
void focus_at_end(nk_edit_state& edit) {
    nk_edit_focus(g_gui.ui, NK_EDIT_BOX);
    edit.cursor = edit.sel_start = edit.sel_end = nk_utf_len(g_gui.activity_log, g_gui.activity_log_length);
}

bool is_active(const nk_edit_state& edit) { return edit.active && edit.name == edit.seq; }

// A press in the box gives it the reader's focus; a press anywhere else takes it away.
void track_focus(const nk_input& input, struct nk_rect box) {
    if (!nk_input_is_mouse_pressed(&input, NK_BUTTON_LEFT)) return;
    following.reader_focused = nk_input_has_mouse_click_down_in_rect(&input, NK_BUTTON_LEFT, box, nk_true) != 0;
}

// Nuklear's text box scrolls only by dragging its scroll bar, and pulls its
// view back to the caret on any key. So the frame takes the wheel and the
// scroll keys out of the input before the box sees them and moves the view
// itself; the caret and the selection stay where they are. True when the
// reader scrolled.
bool scroll_as_asked(nk_edit_state& edit, struct nk_rect box) {
    const float wanted = requested_offset(g_gui.ui->input, box, static_cast<float>(edit.scrollbar.y),
                                          following.reader_focused);
    if (wanted < 0.0f) return false;
    edit.scrollbar.y = static_cast<nk_uint>(wanted);
    return true;
}

// Nuklear keeps a view offset only for its one active text box, so this box
// stays active for good. With the reader's focus it is the editable box;
// without it, it is drawn read-only, which gives it no input (no typing, no
// keys, no caret drawn) while its view stays where the reader left it.
void edit_box() {
    nk_style_edit& style = g_gui.ui->style.edit;
    const nk_style_edit saved = style;
    nk_flags flags = NK_EDIT_BOX;
    if (!following.reader_focused) {
        flags |= NK_EDIT_READ_ONLY;
        style.cursor_normal = style.cursor_hover = style.active.data.color;
        style.cursor_text_normal = style.cursor_text_hover = style.text_active;
    }
    int length = g_gui.activity_log_length;
    nk_edit_string(g_gui.ui, flags, g_gui.activity_log, &length, ACTIVITY_LOG_LIMIT, nk_filter_default);
    g_gui.activity_log_length = length;
    style = saved;
}

}  // namespace

void gui_log_box(int height) {
    std::lock_guard guard(g_gui.log_lock);
    show_welcome_if_empty();
    nk_layout_row_dynamic(g_gui.ui, static_cast<float>(height), 1);
    if (g_gui.activity_log_length > ACTIVITY_LOG_LIMIT) {
        g_gui.activity_log_length = ACTIVITY_LOG_LIMIT;
        g_gui.activity_log[ACTIVITY_LOG_LIMIT] = '\0';
    }
    // The view is steered before the box is drawn, which clamps the offset to
    // the text in this same frame. While a worker runs the box acts focused
    // with the caret at the end.
    nk_edit_state& edit = g_gui.ui->current->edit;
    const struct nk_rect box = nk_widget_bounds(g_gui.ui);
    track_focus(g_gui.ui->input, box);
    if (g_gui.scanning || g_gui.cleaning) {
        focus_at_end(edit);
        following.reader_focused = true;
    }
    if (!is_active(edit)) nk_edit_focus(g_gui.ui, NK_EDIT_BOX);  // the view offset of the last frame stays
    const bool reader_scrolled = scroll_as_asked(edit, box);
    if (should_follow(GetTickCount(), reader_scrolled)) edit.scrollbar.y = VIEW_END;
    edit_box();
}

bool gui_log_box_following(DWORD now) { return follow_window_open(now); }
