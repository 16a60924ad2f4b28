#include "gui/gui_state.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// One formatted append; longer texts are cut.
constexpr int LOG_LINE_BUFFER = 1024;

bool is_blank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

// Under log_lock: drops the oldest lines, keeping at least the last
// ACTIVITY_LOG_KEEP bytes, from the start of a line.
void drop_oldest_lines() {
    const std::string_view log(g_gui.activity_log, static_cast<std::size_t>(g_gui.activity_log_length));
    if (log.size() <= ACTIVITY_LOG_KEEP) return;
    const std::size_t line_end = log.rfind('\n', log.size() - ACTIVITY_LOG_KEEP);
    const std::size_t keep_from = line_end == std::string_view::npos ? 0 : line_end + 1;
    std::memmove(g_gui.activity_log, log.data() + keep_from, log.size() - keep_from);
    g_gui.activity_log_length -= static_cast<int>(keep_from);
}

// Appends what fits and keeps the text NUL-terminated.
void append_to_log(std::string_view text) {
    std::lock_guard guard(g_gui.log_lock);
    if (g_gui.activity_log_length + static_cast<int>(text.size()) >= ACTIVITY_LOG_LIMIT) drop_oldest_lines();
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
}

void gui_progress(float percent, const char* message) {
    if (!message || percent >= 0.0f) return;
    gui_log("%s\n", message);
}
