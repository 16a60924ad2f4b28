#include "gui/shell_actions.h"

#include <shellapi.h>

#include <cstring>

std::wstring gui_utf16(const std::string& text) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    return wide;
}

bool gui_copy_to_clipboard(HWND owner, const std::string& text) {
    const std::wstring wide = gui_utf16(text);
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    const std::size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool placed = false;
    if (memory) {
        std::memcpy(GlobalLock(memory), wide.c_str(), bytes);
        GlobalUnlock(memory);
        placed = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        if (!placed) GlobalFree(memory);  // the clipboard owns it only once placed
    }
    CloseClipboard();
    return placed;
}

void gui_show_in_folder(const std::string& path) {
    // The path is quoted whole: a name may hold commas or spaces.
    const std::wstring arguments = L"/select,\"" + gui_utf16(path) + L"\"";
    ShellExecuteW(nullptr, L"open", L"explorer.exe", arguments.c_str(), nullptr, SW_SHOWNORMAL);
}
