#pragma once
// Text shortened to a width in the window's font.

#include <string>
#include <string_view>

// The text, or its start and end around "…" when it is wider than `width` pixels.
std::string gui_fit_middle(std::string_view text, float width);
// The width of `text` in the window's font (0 before the window has one).
float gui_text_width(std::string_view text);
