#pragma once
// The one conversion between the program's 8-bit text (the ANSI code page,
// UTF-8 under the manifest) and the system's UTF-16.

#include <optional>
#include <string>
#include <string_view>

std::wstring widen(std::string_view text);

// Nothing when the text does not convert exactly: an unpaired surrogate, or a
// character the code page has no exact spelling for. Such text would name
// something else once converted back.
std::optional<std::string> narrow(std::wstring_view text);
