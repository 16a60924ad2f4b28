#pragma once
// Text in two fonts. The UI font draws what it has; everything it lacks
// (emoji, symbols, any character outside the Basic Multilingual Plane) is
// drawn and measured with the emoji font. Neither ExtTextOutW on the text
// nor Uniscribe's own fallback reaches a font with those outlines, so the
// split is made here, once per string: the runs, their glyphs and widths are
// cached, and a frame that draws what it drew before does no shaping.

#include "engine/win32_handle.h"

#include <windows.h>
#include <usp10.h>

#include <bitset>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A stretch of UTF-16 units [start, start + length) drawn with one font.
struct RunSpan {
    int start;
    int length;
    bool emoji;
    bool operator==(const RunSpan&) const = default;
};

// Splits text into runs: a character goes to the emoji font when it lies
// outside the BMP or when `ui_has` says the UI font lacks it. Variation
// selectors, joiners and combining keycaps stay with the run before them.
std::vector<RunSpan> split_font_runs(std::wstring_view text, const std::function<bool(wchar_t)>& ui_has);

// One run ready to draw: UI runs as text, emoji runs as glyph indices with
// their advances (ExtTextOutW would split a surrogate pair into two boxes).
struct ShapedRun {
    bool emoji = false;
    std::wstring text;
    std::vector<WORD> glyphs;
    std::vector<int> advances;
    int width = 0;
};

struct TextLayout {
    std::vector<ShapedRun> runs;
    int width = 0;
};

// The UI font and the emoji font at one pixel height, with the layouts of
// every string measured or drawn so far.
class FontPair {
public:
    FontPair(const char* ui_face, int height);
    ~FontPair();
    FontPair(const FontPair&) = delete;
    FontPair& operator=(const FontPair&) = delete;

    int height() const { return height_; }
    HFONT ui_font() const { return static_cast<HFONT>(ui_.get()); }
    // Width in pixels of UTF-8 text; -1 when it cannot be measured.
    int width(std::string_view utf8);
    // Draws UTF-8 text with its top-left corner at (x, y) in the DC's text colour.
    void draw(HDC dc, int x, int y, std::string_view utf8);

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    const TextLayout* layout(std::string_view utf8);
    bool shape_emoji(ShapedRun& run);

    int height_ = 0;
    int emoji_offset_ = 0;  // puts the emoji font's baseline on the UI font's
    UniqueGdiObject ui_;
    UniqueGdiObject emoji_;
    UniqueMemoryDc measuring_;
    SCRIPT_CACHE emoji_cache_ = nullptr;
    std::bitset<65536> ui_has_;
    std::unordered_map<std::string, TextLayout, Hash, std::equal_to<>> layouts_;
};
