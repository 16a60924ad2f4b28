#include "gui/gdi_backend.h"
#include "gui/gui_metrics.h"
#include "gui/gui_modules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(FontRuns, CharactersTheUiFontLacksAndAllOutsideTheBmpGoToTheEmojiFont) {
    // A font that reports every UTF-16 unit but two: a pair outside the BMP still goes to the emoji font.
    const auto ui_has = [](wchar_t c) { return c != L'\u2728' && c != L'\u267B'; };
    const struct {
        std::wstring text;
        std::vector<RunSpan> runs;
    } cases[] = {
        {L"Scan", {{0, 4, false}}},
        {L"\U0001F50D Scan", {{0, 2, true}, {2, 5, false}}},
        {L"\u2728 Clean", {{0, 1, true}, {1, 6, false}}},
        {L"\u267B\uFE0F Cleaning", {{0, 2, true}, {2, 9, false}}},       // the variation selector stays with its emoji
        {L"a\U0001F5D1\U0001F4C1b", {{0, 1, false}, {1, 4, true}, {5, 1, false}}},
        {L"\xD83D", {{0, 1, false}}},                                     // a lone surrogate
        {L"", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(split_font_runs(c.text, ui_has), c.runs) << c.text.size();
}

// The pixels of one text drawn white on black by the window's font pair, or
// with the UI font alone as ExtTextOutW draws it.
std::vector<DWORD> picture(FontPair& fonts, const std::string& text, bool ui_font_only = false) {
    constexpr int WIDTH = 80, HEIGHT = 60;
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), WIDTH, -HEIGHT, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    UniqueGdiObject bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    SelectObject(dc.get(), bitmap.get());
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), RGB(255, 255, 255));
    if (ui_font_only) {
        SelectObject(dc.get(), fonts.ui_font());
        const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(units), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
        ExtTextOutW(dc.get(), 2, 2, 0, nullptr, wide.data(), static_cast<UINT>(units), nullptr);
    } else {
        fonts.draw(dc.get(), 2, 2, text);
    }
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    return {pixels, pixels + WIDTH * HEIGHT};
}

// The icon of a label: its first character with any variation selector.
std::string icon_of(const std::string& label) { return label.substr(0, label.find(' ')); }

std::vector<std::string> emoji_labels() {
    std::vector<std::string> labels = {LABEL_SCAN, LABEL_CLEAN, "🗑 Ready to scan", "⏳ Scanning...", "♻️ Cleaning...",
                                       "✅ Cleaned", "⚠ Failed", "✖ ERROR", "🔒 LOCKED", "❌ OTHER", "💡 TIP"};
    for (const GuiModule& module : GUI_MODULES) {
        labels.push_back(module.module->window_label);
        labels.push_back(module.details.heading);
    }
    return labels;
}

// Each icon the window shows is drawn as itself: neither left out, nor drawn
// as the box of a character that no font has, nor as the UI font's boxes.
TEST(FontRuns, EveryEmojiLabelIsDrawnUnlikeTheBoxOfAMissingCharacterAtEachScale) {
    for (const int dpi : {96, 144}) {
        FontPair fonts("Segoe UI", gui_font_pixels(dpi));
        const auto box = picture(fonts, "\U0010FFFD");  // a private-use character of the last plane
        const std::vector<DWORD> blank(box.size(), 0);
        for (const std::string& label : emoji_labels()) {
            const auto icon = picture(fonts, icon_of(label));
            EXPECT_NE(icon, blank) << label << " at " << dpi << " dpi";
            EXPECT_NE(icon, box) << label << " at " << dpi << " dpi";
            EXPECT_NE(icon, picture(fonts, icon_of(label), true)) << label << " at " << dpi << " dpi";
        }
    }
}

}  // namespace
