// The progress row under the buttons: a bar and what the running job is at.
#include "gui/gui_state.h"
#include "gui/layout.h"
#include "gui/text_fit.h"

namespace {

constexpr float BAR_SHARE = 0.25f;

}  // namespace

void gui_progress_row() {
    nk_context* ui = g_gui.ui;
    const float shares[] = {BAR_SHARE, 1.0f - BAR_SHARE};
    nk_layout_row(ui, NK_DYNAMIC, gui_scaled(layout::PROGRESS_ROW), 2, shares);
    if (!gui_busy()) {
        nk_spacing(ui, 2);
        return;
    }
    std::string text;
    nk_size done = 0, total = 1;
    {
        std::lock_guard guard(g_gui.progress.lock);
        text = g_gui.progress.title;
        if (!g_gui.progress.path.empty()) text += "  " + g_gui.progress.path;
        done = static_cast<nk_size>(g_gui.progress.done);
        total = static_cast<nk_size>(std::max<std::uint64_t>(g_gui.progress.total, 1));
    }
    nk_prog(ui, done, total, nk_false);
    const float width = nk_widget_bounds(ui).w - 2 * ui->style.text.padding.x;
    nk_label(ui, gui_fit_middle(text, width).c_str(), NK_TEXT_LEFT);
}
