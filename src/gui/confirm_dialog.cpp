// The question before a clean: nothing is deleted until it is answered with
// Clean (or Enter). Cancel and Escape leave everything as it is. While it
// shows, the rest of the window takes no mouse input.
#include "gui/gui_state.h"
#include "gui/layout.h"
#include "gui/palette.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr std::size_t DIALOG_LINES = 3;

// The mouse as the widgets behind the dialog see it: nowhere, no button.
nk_mouse masked_mouse(const nk_mouse& real) {
    nk_mouse masked = real;
    masked.pos = masked.prev = nk_vec2(-1.0e6f, -1.0e6f);
    for (nk_mouse_button& button : masked.buttons) button = nk_mouse_button{};
    masked.scroll_delta = nk_vec2(0, 0);
    return masked;
}

nk_mouse saved_mouse;
// Nuklear keeps a popup (and the window behind it read-only) until the popup
// itself is closed: an answer given by key closes it in the next frame.
bool popup_open = false;

void answer(bool clean) {
    g_gui.confirming = false;
    if (clean) gui_start_clean();
}

}  // namespace

void gui_mask_input_for_dialog() {
    if (!g_gui.confirming) return;
    saved_mouse = g_gui.ui->input.mouse;
    g_gui.ui->input.mouse = masked_mouse(saved_mouse);
}

void gui_confirm_dialog(int width, int height) {
    if (!g_gui.confirming && !popup_open) return;
    nk_context* ui = g_gui.ui;
    if (g_gui.confirming) ui->input.mouse = saved_mouse;
    const float dialog_width = gui_scaled(layout::DIALOG_WIDTH), dialog_height = gui_scaled(layout::DIALOG_HEIGHT);
    const struct nk_rect bounds = nk_rect((static_cast<float>(width) - dialog_width) / 2,
                                          (static_cast<float>(height) - dialog_height) / 2, dialog_width, dialog_height);
    nk_style_window& style = ui->style.window;
    const nk_style_window saved = style;
    style.fixed_background = nk_style_item_color(palette::SLATE);
    style.popup_border_color = palette::TEAL;
    style.popup_border = gui_scaled(2);
    style.popup_padding = nk_vec2(gui_scaled(layout::DIALOG_PADDING), gui_scaled(layout::DIALOG_PADDING));
    style.spacing = nk_vec2(gui_scaled(layout::BUTTON_GAP), gui_scaled(layout::ROW_SPACING));
    if (nk_popup_begin(ui, NK_POPUP_STATIC, "Confirm clean", NK_WINDOW_BORDER, bounds)) {
        // The question, then where the items go, a line each.
        nk_layout_row_dynamic(ui, gui_scaled(layout::DIALOG_LINE), 1);
        std::string_view text = g_gui.confirmation_text;
        for (std::size_t line = 0; line < DIALOG_LINES; ++line) {
            const std::size_t end = text.find_first_of("?;");
            const std::string_view shown = text.substr(0, end == std::string_view::npos ? text.size() : end + 1);
            nk_text(ui, shown.data(), static_cast<int>(shown.size()), NK_TEXT_LEFT);
            text.remove_prefix(std::min(text.size(), shown.size() + 1));
        }
        nk_layout_row_static(ui, gui_scaled(layout::BUTTON_ROW), static_cast<int>(gui_scaled(layout::BUTTON_WIDTH)), 2);
        if (nk_button_label(ui, "Clean")) answer(true);
        if (nk_button_label(ui, "Cancel")) answer(false);
        if (!g_gui.confirming) nk_popup_close(ui);
        nk_popup_end(ui);
    }
    popup_open = g_gui.confirming;
    style = saved;
}

bool gui_confirm_key(WPARAM key) {
    if (key == VK_RETURN) answer(true);
    if (key == VK_ESCAPE) answer(false);
    return true;  // every other key waits for the answer
}
