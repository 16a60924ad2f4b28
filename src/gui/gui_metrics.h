#pragma once
// Every measure of the window at one DPI: the frame's rows, widths and gaps,
// the style's paddings and borders, the font height and the smallest client
// area in which nothing is cut. The frame and the style read only this
// record; a DPI change builds a new one. Measures are given for 96 pixels per
// inch and scaled; button widths and the minimum size also measure the labels
// with the window's font, so a label never needs more than its widget has.

#include "gui/nuklear_config.h"

#include <windows.h>

inline constexpr int BASE_DPI = 96;

// The frame's fixed labels, measured here and drawn by the frame.
inline constexpr char LABEL_MODULES[] = "Modules";
inline constexpr char LABEL_SELECT_ALL[] = "Select all";
inline constexpr char LABEL_ACTIVITY_LOG[] = "Activity Log";
inline constexpr char LABEL_SCAN[] = "🔍 Scan";
inline constexpr char LABEL_CLEAN[] = "✨ Clean";
inline constexpr char LABEL_KEEP_COPY[] = "Keep this copy";

// `pixels` at 96 dpi, at `dpi` (rounded to the nearest pixel).
int gui_scale(int pixels, int dpi);

struct GuiMetrics {
    int dpi = BASE_DPI;
    int font_pixels = 14;

    // Frame rows and columns.
    int status_reserve = 30;  // the two panes are the client height minus this
    float sidebar_share = 0.26f;
    int sidebar_caption_row = 28;
    int sidebar_row = 26;
    int log_caption_row = 25;
    int log_reserve = 120;  // the log box is the client height minus this
    int button_row = 30;
    int scan_button_width = 80;
    int button_gap = 10;
    int clean_button_width = 80;
    int keep_button_width = 0;  // the items view's "Keep this copy": its label's width
    int status_row = 20;
    int status_margin = 10;  // the status line is the client width minus this
    int drag_strip = 10;

    // Style.
    int text_padding = 4;
    int button_padding_x = 10, button_padding_y = 5, button_rounding = 8;
    int check_spacing = 10, check_border = 2, check_touch_padding = 4;
    int edit_padding_x = 8, edit_padding_y = 6, edit_rounding = 4, edit_cursor = 2, edit_row_padding = 2;
    int edit_scrollbar = 12;
    int header_padding_x = 10, header_padding_y = 8;
    int border = 1, window_rounding = 6, row_spacing = 4, group_padding = 10;

    SIZE minimum_client{0, 0};
};

// The measures at `dpi`, with `font` (already made at font_pixels) measuring
// the labels.
GuiMetrics gui_metrics_for_dpi(int dpi, const nk_user_font& font);
// The font height at `dpi`: 14 pixels at 96, truncated like the scale factor.
int gui_font_pixels(int dpi);
