// "Export plan…" (Control+S): the held scan as the plan `twk scan --json`
// writes, saved where the user chooses through the standard save dialog. The
// window's choices are part of it: an unticked row, or any row of an
// unticked module, is saved as not selected, so `clean --plan` leaves it.
#include "gui/gui_state.h"

#include "cli/json_report.h"
#include "gui/clean_plan.h"
#include "gui/shell_actions.h"

#include <commdlg.h>

#include <cstdio>

namespace {

constexpr wchar_t DEFAULT_NAME[] = L"tidewick-plan.json";
constexpr wchar_t FILE_TYPES[] = L"JSON plan (*.json)\0*.json\0All files\0*.*\0";

// Empty when the user cancelled the dialog.
std::wstring chosen_path() {
    wchar_t path[MAX_PATH * 4] = {};
    std::wcsncpy(path, DEFAULT_NAME, std::size(path) - 1);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = g_gui.window;
    dialog.lpstrFilter = FILE_TYPES;
    dialog.lpstrFile = path;
    dialog.nMaxFile = static_cast<DWORD>(std::size(path));
    dialog.lpstrDefExt = L"json";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    return GetSaveFileNameW(&dialog) ? std::wstring(path) : std::wstring();
}

bool write_text(const std::wstring& path, const std::string& text) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size() && std::fputc('\n', file) != EOF;
    return std::fclose(file) == 0 && written;
}

}  // namespace

void gui_export_plan() {
    if (gui_busy() || !g_gui.scan_results) return;
    const std::wstring path = chosen_path();
    if (path.empty()) return;
    ScanResults plan = *g_gui.scan_results;
    for (CleanItem& item : plan.items) item.selected = gui_in_clean_plan(item, g_gui.module_selected);
    const std::string text = document_text(scan_document(plan));
    char shown[MAX_PATH * 4] = {};
    WideCharToMultiByte(CP_UTF8, 0, path.c_str(), -1, shown, sizeof shown - 1, nullptr, nullptr);
    if (write_text(path, text)) {
        gui_log("📄 Plan saved: %s\n", shown);
    } else {
        gui_log("✖ The plan could not be saved to %s\n", shown);
    }
}
