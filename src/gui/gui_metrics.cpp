#include "gui/gui_metrics.h"

#include "gui/gui_modules.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

namespace {

// The widest status lines the window shows: a large scan's count and size,
// the clean's outcome, each with the clock suffix.
constexpr const char* STATUS_SAMPLES[] = {
    "🗑 88888 items (88888.8 MB) • Last scan 88:88",
    "♻️ Cleaning... • Last scan 88:88",
    "✅ Cleaned 888.88 GB • Last scan 88:88",
};
// The log box keeps at least this many lines in view.
constexpr int MINIMUM_LOG_LINES = 4;
// Room per pane for the rounding of Nuklear's float layout (at 96 dpi).
constexpr int LAYOUT_SLACK = 8;

int text_width(const nk_user_font& font, const char* text) {
    return static_cast<int>(std::ceil(font.width(font.userdata, font.height, text, static_cast<int>(std::strlen(text)))));
}

// A button as Nuklear lays it out: the label inside padding, border and rounding.
int button_width(const GuiMetrics& m, int label) {
    return label + 2 * m.button_padding_x + m.border + 2 * m.button_rounding;
}

// The narrowest client width at which the sidebar, the button row and the status line are whole.
int minimum_width(const GuiMetrics& m, const nk_user_font& font) {
    const int slack = gui_scale(LAYOUT_SLACK, m.dpi);
    const int pane_chrome = 2 * (m.group_padding + m.border) + 2 * m.border + slack;
    int check_label = 0;
    for (const GuiModule& module : GUI_MODULES) check_label = std::max(check_label, text_width(font, module.module->window_label));
    // A check box: the box (as wide as the font is high) and the label, with
    // Nuklear's spacing before the box, between them and after the label.
    const int check_box = static_cast<int>(font.height) + 3 * m.check_spacing;
    const int sidebar = std::max({check_label + check_box,
                                  button_width(m, text_width(font, LABEL_SELECT_ALL)),
                                  text_width(font, LABEL_MODULES) + 2 * m.text_padding}) +
                        pane_chrome;
    const int content = std::max(m.scan_button_width + m.button_gap + m.clean_button_width,
                                 text_width(font, LABEL_ACTIVITY_LOG) + 2 * m.text_padding) +
                        pane_chrome;
    int status = 0;
    for (const char* sample : STATUS_SAMPLES) status = std::max(status, text_width(font, sample));
    status += 2 * m.text_padding + m.status_margin + slack;
    const auto share = [](int need, float part) { return static_cast<int>(std::ceil(static_cast<float>(need) / part)); };
    return std::max({share(sidebar, m.sidebar_share), share(content, 1.0f - m.sidebar_share), status});
}

// The lowest client height at which the sidebar is whole and the log box shows a few lines.
int minimum_height(const GuiMetrics& m, const nk_user_font& font) {
    const int slack = gui_scale(LAYOUT_SLACK, m.dpi);
    const int sidebar_rows = m.sidebar_caption_row + m.sidebar_row * (1 + GUI_MODULE_COUNT);
    const int sidebar = sidebar_rows + (1 + 1 + GUI_MODULE_COUNT) * m.row_spacing + 2 * (m.group_padding + m.border) +
                        slack + m.status_reserve;
    const int line = static_cast<int>(font.height) + m.edit_row_padding;
    const int log_box = MINIMUM_LOG_LINES * line + 2 * (m.edit_padding_y + m.border) + m.log_reserve;
    return std::max(sidebar, log_box);
}

}  // namespace

int gui_scale(int pixels, int dpi) { return MulDiv(pixels, dpi, BASE_DPI); }

int gui_font_pixels(int dpi) { return static_cast<int>(static_cast<float>(dpi) / BASE_DPI * 14.0f); }

GuiMetrics gui_metrics_for_dpi(int dpi, const nk_user_font& font) {
    GuiMetrics m;
    m.dpi = dpi;
    m.font_pixels = gui_font_pixels(dpi);
    for (int* measure : {&m.status_reserve, &m.sidebar_caption_row, &m.sidebar_row, &m.log_caption_row, &m.log_reserve,
                         &m.button_row, &m.scan_button_width, &m.button_gap, &m.clean_button_width, &m.status_row,
                         &m.status_margin, &m.drag_strip, &m.text_padding, &m.button_padding_x, &m.button_padding_y,
                         &m.button_rounding, &m.check_spacing, &m.check_border, &m.check_touch_padding,
                         &m.edit_padding_x, &m.edit_padding_y, &m.edit_rounding, &m.edit_cursor, &m.edit_row_padding,
                         &m.edit_scrollbar, &m.header_padding_x, &m.header_padding_y, &m.border, &m.window_rounding,
                         &m.row_spacing, &m.group_padding}) {
        *measure = gui_scale(*measure, dpi);
    }
    // A font can be wider than the scale: the buttons grow to their labels.
    m.scan_button_width = std::max(m.scan_button_width, button_width(m, text_width(font, LABEL_SCAN)));
    m.clean_button_width = std::max(m.clean_button_width, button_width(m, text_width(font, LABEL_CLEAN)));
    m.keep_button_width = button_width(m, text_width(font, LABEL_KEEP_COPY));
    m.minimum_client = {minimum_width(m, font), minimum_height(m, font)};
    return m;
}
