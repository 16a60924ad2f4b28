#include "engine/text_conversion.h"

#include <windows.h>

std::wstring widen(std::string_view text) {
    if (text.empty()) return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    std::wstring wide(length, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::optional<std::string> narrow(std::wstring_view text) {
    if (text.empty()) return std::string();
    // UTF-8 refuses unpaired surrogates; a legacy code page reports a
    // character it had to replace (and must not map one by best fit).
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    BOOL* lossy_flag = utf8 ? nullptr : &lossy;
    const int size = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(CP_ACP, flags, text.data(), size, nullptr, 0, nullptr, lossy_flag);
    if (length <= 0 || lossy) return std::nullopt;
    std::string narrow_text(length, '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), size, narrow_text.data(), length, nullptr, nullptr);
    return narrow_text;
}
