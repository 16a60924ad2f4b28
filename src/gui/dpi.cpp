// The window at its monitor's DPI: the font, the layout measures and the
// style are made for one DPI and made again when the window moves to a
// monitor with another.
#include "gui/gui_state.h"

#include <string>

namespace {

std::string system_message_font_face() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return {};
    char face[256] = {};
    WideCharToMultiByte(CP_UTF8, 0, metrics.lfMessageFont.lfFaceName, -1, face, sizeof face, nullptr, nullptr);
    return face;
}

// The preferred face, then the system's message font, then Arial.
std::unique_ptr<BackendFont> create_font(int height) {
    if (auto font = backend_font_create("Segoe UI", height)) return font;
    const std::string message_face = system_message_font_face();
    if (!message_face.empty()) {
        if (auto font = backend_font_create(message_face.c_str(), height)) return font;
    }
    return backend_font_create("Arial", height);
}

}  // namespace

int gui_window_dpi(HWND window) {
    // Windows 10's per-window DPI; earlier systems have one DPI for the screen.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (get_dpi_for_window && window) {
        if (const UINT dpi = get_dpi_for_window(window)) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : BASE_DPI;
}

SIZE gui_client_size_for(SIZE client, int dpi) { return {gui_scale(client.cx, dpi), gui_scale(client.cy, dpi)}; }

std::unique_ptr<BackendFont> gui_font_for_dpi(int dpi) { return create_font(gui_font_pixels(dpi)); }

void gui_use_font(std::unique_ptr<BackendFont> font, int dpi) {
    g_gui.metrics = gui_metrics_for_dpi(dpi, font->nk);
    g_gui.dpi_scale = static_cast<float>(dpi) / BASE_DPI;
    gdi_backend_set_font(font.get());
    gui_apply_style(g_gui.ui, g_gui.metrics);
    g_gui.font = std::move(font);  // the old font goes only once Nuklear no longer points at it
}

bool gui_rescale(HWND window, int dpi, const RECT& suggested) {
    auto font = gui_font_for_dpi(dpi);
    if (!font) return false;
    gui_use_font(std::move(font), dpi);
    SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, nullptr, FALSE);
    return true;
}
