#include "gui/text_fit.h"

#include "gui/gui_state.h"

namespace {

constexpr std::string_view ELLIPSIS = "…";

bool is_continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Moves a cut to the start of the UTF-8 character it falls in.
std::size_t char_start(std::string_view text, std::size_t at) {
    while (at > 0 && at < text.size() && is_continuation(text[at])) --at;
    return at;
}

std::string shortened(std::string_view text, std::size_t kept) {
    const std::size_t head = char_start(text, kept / 2);
    const std::size_t tail = char_start(text, text.size() - (kept - kept / 2));
    return std::string(text.substr(0, head)).append(ELLIPSIS).append(text.substr(tail));
}

}  // namespace

float gui_text_width(std::string_view text) {
    if (!g_gui.ui) return 0;
    const nk_user_font* font = g_gui.ui->style.font;
    return font->width(font->userdata, font->height, text.data(), static_cast<int>(text.size()));
}

std::string gui_fit_middle(std::string_view text, float width) {
    if (!g_gui.ui || gui_text_width(text) <= width) return std::string(text);
    // The longest shortening that fits, found by halving: widths grow with the bytes kept.
    std::size_t low = 0, high = text.size();
    while (low < high) {
        const std::size_t middle = (low + high + 1) / 2;
        if (gui_text_width(shortened(text, middle)) <= width) {
            low = middle;
        } else {
            high = middle - 1;
        }
    }
    return shortened(text, low);
}
