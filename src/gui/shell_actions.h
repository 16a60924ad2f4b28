#pragma once
// What the items view hands to Windows: text for the clipboard, and a folder
// opened with its item selected.

#include <windows.h>

#include <string>

std::wstring gui_utf16(const std::string& text);
// Puts UTF-8 text on the clipboard as Unicode text; false when the clipboard is busy.
bool gui_copy_to_clipboard(HWND owner, const std::string& text);
// Opens Explorer on the item's folder with the item selected.
void gui_show_in_folder(const std::string& path);
