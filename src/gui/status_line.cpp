#include "gui/status_line.h"

#include "gui/gui_state.h"
#include "gui/palette.h"
#include "engine/diagnostics.h"

#include <cinttypes>
#include <cstdio>

namespace {

constexpr nk_color SCANNING_COLOUR = palette::TEAL;
constexpr nk_color CLEANING_COLOUR = palette::EMERALD;
constexpr nk_color IDLE_COLOUR = palette::TEXT;
// Modules whose rows ask for caution (browsers, duplicates) colour the line before a clean.
constexpr nk_color CAUTION_COLOUR = palette::AMBER;
constexpr std::size_t STATUS_LINE_LIMIT = 511;

// Read without a lock: a scan worker replaces the results only while
// `scanning` is set, a clean worker releases them only while `cleaning` is.
bool results_held() {
    if (g_gui.scanning) return false;
    if (g_gui.cleaning) return g_gui.has_results;
    return g_gui.scan_results != nullptr;
}

StatusLine main_text() {
    if (g_gui.scanning) return {"⏳ Scanning...", SCANNING_COLOUR};
    if (g_gui.cleaning) return {"♻️ Cleaning...", CLEANING_COLOUR};
    if (g_gui.clean_outcome_shown) return {g_gui.status_text, IDLE_COLOUR};
    if (g_gui.scan_results) {
        char text[256];
        std::snprintf(text, sizeof text, "🗑 %" PRIu64 " items (%s)", g_gui.scan_results->total_items,
                      format_size(g_gui.scan_results->total_size).c_str());
        return {text, IDLE_COLOUR};
    }
    return {"🗑 Ready to scan", IDLE_COLOUR};
}

bool caution_module_ticked() {
    for (int i = 0; i < GUI_MODULE_COUNT; ++i) {
        if (GUI_MODULES[i].module->caution && g_gui.module_selected[i]) return true;
    }
    return false;
}

std::string last_scan_suffix() {
    const int minute_of_day = g_gui.scan_done_minute;
    if (minute_of_day < 0) return {};
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, " • Last scan %02d:%02d", minute_of_day / 60, minute_of_day % 60);
    return suffix;
}

}  // namespace

StatusLine gui_compose_status_line() {
    StatusLine line = main_text();
    if (g_gui.has_results && results_held() && caution_module_ticked()) line.colour = CAUTION_COLOUR;
    line.text += last_scan_suffix();
    if (line.text.size() > STATUS_LINE_LIMIT) line.text.resize(STATUS_LINE_LIMIT);
    return line;
}
