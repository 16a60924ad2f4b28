// The question before a clean: nothing is deleted until it is answered with
// Clean (or Enter). Cancel and Escape leave everything as it is. While it
// shows, the rest of the window takes no mouse input.
#include "gui/gui_state.h"
#include "gui/layout.h"
#include "gui/palette.h"

namespace {

// The mouse as the widgets behind the dialog see it: nowhere, no button.
nk_mouse masked_mouse(const nk_mouse& real) {
    nk_mouse masked = real;
    masked.pos = masked.prev = nk_vec2(-1.0e6f, -1.0e6f);
    for (nk_mouse_button& button : masked.buttons) button = nk_mouse_button{};
    masked.scroll_delta = nk_vec2(0, 0);
    return masked;
}

nk_mouse saved_mouse;

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
    if (!g_gui.confirming) return;
    nk_context* ui = g_gui.ui;
    ui->input.mouse = saved_mouse;
    const struct nk_rect bounds = nk_rect((static_cast<float>(width) - layout::DIALOG_WIDTH) / 2,
                                          (static_cast<float>(height) - layout::DIALOG_HEIGHT) / 2, layout::DIALOG_WIDTH,
                                          layout::DIALOG_HEIGHT);
    const nk_style_item saved_background = ui->style.window.fixed_background;
    ui->style.window.fixed_background = nk_style_item_color(palette::SLATE);
    if (nk_popup_begin(ui, NK_POPUP_STATIC, "Confirm clean", NK_WINDOW_BORDER, bounds)) {
        nk_layout_row_dynamic(ui, layout::DIALOG_TEXT, 1);
        nk_label_wrap(ui, g_gui.confirmation_text.c_str());
        nk_layout_row_static(ui, layout::BUTTON_ROW, layout::BUTTON_WIDTH, 2);
        if (nk_button_label(ui, "Clean")) answer(true);
        if (nk_button_label(ui, "Cancel")) answer(false);
        if (!g_gui.confirming) nk_popup_close(ui);
        nk_popup_end(ui);
    }
    ui->style.window.fixed_background = saved_background;
}

bool gui_confirm_key(WPARAM key) {
    if (key == VK_RETURN) answer(true);
    if (key == VK_ESCAPE) answer(false);
    return true;  // every other key waits for the answer
}
