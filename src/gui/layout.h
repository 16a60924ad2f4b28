#pragma once
// The window's layout measures in unscaled pixels, in one place, so they can
// be scaled together.

namespace layout {
inline constexpr int STATUS_ROOM = 30;        // below the two panes: the status line
inline constexpr int PANE_CAPTION = 25;       // the view tabs above the right pane
inline constexpr int BUTTON_ROW = 30;         // Scan, Clean, Cancel
inline constexpr int PROGRESS_ROW = 20;       // under the buttons
inline constexpr int ROW_SPACING = 4;         // the style's window spacing
// Everything in the right pane except its main view: caption, buttons,
// progress, their spacing, the group's padding and border and the status room.
inline constexpr int PANE_CHROME = 120 + PROGRESS_ROW + ROW_SPACING;
inline constexpr int TAB_WIDTH = 110;
inline constexpr int BUTTON_WIDTH = 80;
inline constexpr int BUTTON_GAP = 10;
inline constexpr int EXPORT_WIDTH = 110;
inline constexpr float SIDEBAR_SHARE = 0.26f;
inline constexpr float CONTENT_SHARE = 0.74f;
inline constexpr float MODULE_INDENT_SHARE = 0.3f;  // the rest: "all" and "none"

// The items view.
inline constexpr int FILTER_ROW = 24;
inline constexpr int HEADER_ROW = 20;
inline constexpr int ITEM_ROW = 18;
inline constexpr int FOOTER_ROW = 18;
inline constexpr int LIST_SCROLLBAR = 12;
inline constexpr float CHECK_COLUMN = 22;
inline constexpr float MODULE_COLUMN = 84;
inline constexpr float SIZE_COLUMN = 66;
inline constexpr float DATE_COLUMN = 76;
inline constexpr float STATE_COLUMN = 120;
inline constexpr float MIN_PATH_COLUMN = 120;

// The confirmation before a clean.
inline constexpr float DIALOG_WIDTH = 480;
inline constexpr float DIALOG_HEIGHT = 140;
inline constexpr int DIALOG_LINE = 18;
inline constexpr float DIALOG_PADDING = 16;
}  // namespace layout
