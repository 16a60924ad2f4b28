#include "gui/gui_state.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// One formatted append; longer texts are cut.
constexpr int LOG_LINE_BUFFER = 1024;
// Every progress message of a graphical clean gives the window this long to show it.
constexpr DWORD PROGRESS_PAUSE_MS = 50;

bool is_blank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// Appends what fits and keeps the text NUL-terminated; a full log drops the rest.
void append_to_log(std::string_view text) {
    std::lock_guard guard(g_gui.log_lock);
    const int space = ACTIVITY_LOG_LIMIT - g_gui.activity_log_length;
    if (space <= 0) return;
    const int stored = std::min(static_cast<int>(text.size()), space - 1);
    std::memcpy(g_gui.activity_log + g_gui.activity_log_length, text.data(), static_cast<std::size_t>(stored));
    g_gui.activity_log_length += stored;
    g_gui.activity_log[g_gui.activity_log_length] = '\0';
    if (stored > 0) {
        g_gui.log_dirty = true;
        g_gui.log_follow = true;
    }
}

// From a worker, UpdateWindow waits until the main thread has painted: each
// report line is on screen before the worker writes the next.
void request_redraw() {
    if (!g_gui.window) return;
    InvalidateRect(g_gui.window, nullptr, FALSE);
    UpdateWindow(g_gui.window);
}

}  // namespace

void gui_log(const char* format, ...) {
    char buffer[LOG_LINE_BUFFER];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    if (length <= 0) return;
    const std::string_view text(buffer, std::min(length, LOG_LINE_BUFFER - 1));
    if (is_blank(text)) return;
    append_to_log(text);
    request_redraw();
}

void gui_redraw_and_drain() {
    if (!g_gui.ui || !g_gui.window) return;
    request_redraw();
    // Only the calling thread's own queue: a worker has no windows of its own,
    // so this never runs the main thread's messages.
    gui_pump_messages();
    Sleep(PROGRESS_PAUSE_MS);
}

void gui_progress(float, const char* message) {
    if (!message) return;
    gui_log("%s\n", message);
    gui_redraw_and_drain();
}
