#include "gui/font_runs.h"

#include "gui/scoped_select.h"

#include <vector>

namespace {

// Windows' emoji font; the run and test prefixes map it to Symbola under Wine.
constexpr char EMOJI_FACE[] = "Segoe UI Emoji";
// Layouts kept before the cache starts again: far more than one frame's strings.
constexpr std::size_t LAYOUT_CACHE_LIMIT = 4096;

bool is_high_surrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
// Characters that modify the one before them and must share its font.
bool joins_previous(wchar_t c) { return (c >= 0xFE00 && c <= 0xFE0F) || c == 0x200D || c == 0x20E3; }

HFONT create_font(const char* face, int height) {
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

std::wstring to_wide(std::string_view utf8) {
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    return wide;
}

}  // namespace

std::vector<RunSpan> split_font_runs(std::wstring_view text, const std::function<bool(wchar_t)>& ui_has) {
    std::vector<RunSpan> runs;
    const int length = static_cast<int>(text.size());
    for (int i = 0; i < length;) {
        const wchar_t c = text[i];
        int units = 1;
        bool emoji = !ui_has(c);
        if (is_high_surrogate(c) && i + 1 < length && is_low_surrogate(text[i + 1])) {
            units = 2;
            emoji = true;
        }
        if (!runs.empty() && (joins_previous(c) || runs.back().emoji == emoji)) {
            runs.back().length += units;
        } else {
            runs.push_back({i, units, emoji});
        }
        i += units;
    }
    return runs;
}

FontPair::FontPair(const char* ui_face, int height)
    : ui_(create_font(ui_face, height)), emoji_(create_font(EMOJI_FACE, height)),
      measuring_(CreateCompatibleDC(nullptr)) {
    HDC dc = measuring_.get();
    TEXTMETRICW emoji_metrics{};
    {
        ScopedSelect emoji(dc, emoji_.get());
        GetTextMetricsW(dc, &emoji_metrics);
    }
    SelectObject(dc, ui_.get());  // the measuring DC holds the UI font between calls
    TEXTMETRICW ui_metrics{};
    GetTextMetricsW(dc, &ui_metrics);
    height_ = ui_metrics.tmHeight;
    emoji_offset_ = ui_metrics.tmAscent - emoji_metrics.tmAscent;
    const DWORD size = GetFontUnicodeRanges(dc, nullptr);
    if (size == 0) return;
    std::vector<std::byte> buffer(size);
    auto* ranges = reinterpret_cast<GLYPHSET*>(buffer.data());
    if (!GetFontUnicodeRanges(dc, ranges)) return;
    for (DWORD r = 0; r < ranges->cRanges; ++r) {
        const WCRANGE& range = ranges->ranges[r];
        for (unsigned c = range.wcLow; c < range.wcLow + range.cGlyphs && c < 65536u; ++c) ui_has_.set(c);
    }
}

FontPair::~FontPair() { ScriptFreeCache(&emoji_cache_); }

// Glyphs and advances of an emoji run, item by item as Uniscribe splits it.
bool FontPair::shape_emoji(ShapedRun& run) {
    const int length = static_cast<int>(run.text.size());
    // One item per character at most, and the closing item after them.
    std::vector<SCRIPT_ITEM> items(static_cast<std::size_t>(length) + 1);
    int item_count = 0;
    if (FAILED(ScriptItemize(run.text.data(), length, length + 1, nullptr, nullptr, items.data(), &item_count))) {
        return false;
    }
    HDC dc = measuring_.get();
    ScopedSelect emoji(dc, emoji_.get());
    for (int i = 0; i < item_count; ++i) {
        const int start = items[i].iCharPos;
        const int units = items[i + 1].iCharPos - start;
        const int capacity = units * 3 / 2 + 16;  // Uniscribe's recommended glyph buffer
        std::vector<WORD> glyphs(capacity), clusters(units);
        std::vector<SCRIPT_VISATTR> visual(capacity);
        SCRIPT_ANALYSIS analysis = items[i].a;
        int glyph_count = 0;
        HRESULT shaped = ScriptShape(dc, &emoji_cache_, run.text.data() + start, units, capacity, &analysis,
                                     glyphs.data(), clusters.data(), visual.data(), &glyph_count);
        if (shaped == USP_E_SCRIPT_NOT_IN_FONT) {  // draw the font's own glyphs, unshaped
            analysis.eScript = SCRIPT_UNDEFINED;
            shaped = ScriptShape(dc, &emoji_cache_, run.text.data() + start, units, capacity, &analysis,
                                 glyphs.data(), clusters.data(), visual.data(), &glyph_count);
        }
        if (FAILED(shaped)) return false;
        std::vector<int> advances(glyph_count);
        std::vector<GOFFSET> offsets(glyph_count);
        ABC abc{};
        if (FAILED(ScriptPlace(dc, &emoji_cache_, glyphs.data(), glyph_count, visual.data(), &analysis,
                               advances.data(), offsets.data(), &abc))) {
            return false;
        }
        run.glyphs.insert(run.glyphs.end(), glyphs.begin(), glyphs.begin() + glyph_count);
        run.advances.insert(run.advances.end(), advances.begin(), advances.end());
        run.width += abc.abcA + static_cast<int>(abc.abcB) + abc.abcC;
    }
    return true;
}

const TextLayout* FontPair::layout(std::string_view utf8) {
    if (auto found = layouts_.find(utf8); found != layouts_.end()) return &found->second;
    if (layouts_.size() >= LAYOUT_CACHE_LIMIT) layouts_.clear();
    const std::wstring wide = to_wide(utf8);
    TextLayout layout;
    const auto ui_has = [this](wchar_t c) { return ui_has_.test(c); };
    for (const RunSpan& span : split_font_runs(wide, ui_has)) {
        ShapedRun run;
        run.emoji = span.emoji;
        run.text = wide.substr(static_cast<std::size_t>(span.start), static_cast<std::size_t>(span.length));
        if (run.emoji) {
            if (!shape_emoji(run)) return nullptr;
        } else {
            SIZE extent{};
            if (!GetTextExtentPoint32W(measuring_.get(), run.text.data(), span.length, &extent)) return nullptr;
            run.width = extent.cx;
        }
        layout.width += run.width;
        layout.runs.push_back(std::move(run));
    }
    return &layouts_.emplace(std::string(utf8), std::move(layout)).first->second;
}

int FontPair::width(std::string_view utf8) {
    const TextLayout* measured = layout(utf8);
    return measured ? measured->width : -1;
}

void FontPair::draw(HDC dc, int x, int y, std::string_view utf8) {
    const TextLayout* shaped = layout(utf8);
    if (!shaped) return;
    for (const ShapedRun& run : shaped->runs) {
        if (run.emoji) {
            ScopedSelect font(dc, emoji_.get());
            ExtTextOutW(dc, x, y + emoji_offset_, ETO_GLYPH_INDEX, nullptr, reinterpret_cast<LPCWSTR>(run.glyphs.data()),
                        static_cast<UINT>(run.glyphs.size()), run.advances.data());
        } else {
            ScopedSelect font(dc, ui_.get());
            ExtTextOutW(dc, x, y, 0, nullptr, run.text.data(), static_cast<UINT>(run.text.size()), nullptr);
        }
        x += run.width;
    }
}
