#pragma once
// Text shortened to a width in the window's font.

#include <string>
#include <string_view>

// The text, or its start and end around "…" when it is wider than `width` pixels.
std::string gui_fit_middle(std::string_view text, float width);
