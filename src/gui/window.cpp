#include "gui/gui_state.h"
#include "gui/items_view.h"
#include "gui/palette.h"

#include <string>

GuiState g_gui;

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"NuklearWindowClass";
constexpr wchar_t WINDOW_TITLE[] = L"Tidewick";
constexpr int ICON_RESOURCE = 101;
constexpr DWORD WINDOW_STYLE = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
constexpr DWORD WINDOW_EX_STYLE = WS_EX_APPWINDOW;
// A press in the top strip of the client area drags the window.
constexpr int DRAG_STRIP_HEIGHT = 10;
constexpr float BASE_FONT_PIXELS = 14.0f;

using namespace palette;

void style_button(nk_style_button& b) {
    b.normal = b.hover = b.active = nk_style_item_color(TEAL);
    b.border_color = TEAL;
    b.text_normal = b.text_hover = b.text_active = SLATE;
    b.border = 0;
    b.rounding = 8;
    b.padding = nk_vec2(10, 5);
}

void style_checkbox(nk_style_toggle& c) {
    c.normal = nk_style_item_color(SLATE);
    c.hover = nk_style_item_color(WHITE_SMOKE);
    c.active = nk_style_item_color(SLATE);
    c.border_color = GREY_EDGE;
    c.cursor_normal = nk_style_item_color(TEAL);
    c.cursor_hover = nk_style_item_color(BLUE);
    c.text_normal = c.text_hover = c.text_active = TEXT;
    c.text_background = NIGHT;
    c.text_alignment = NK_TEXT_LEFT;
    c.padding = nk_vec2(0, 0);
    c.touch_padding = nk_vec2(4, 4);
    c.spacing = 10;
    c.border = 2;
}

void style_edit(nk_style_edit& e) {
    e.normal = e.hover = e.active = nk_style_item_color(SLATE);
    e.border_color = EDGE;
    e.text_normal = e.text_hover = e.text_active = TEXT;
    e.selected_normal = e.selected_hover = TEAL;
    e.selected_text_normal = e.selected_text_hover = SLATE;
    e.border = 1;
    e.rounding = 4;
    e.cursor_size = 2;
    e.row_padding = 2;
    e.scrollbar_size = nk_vec2(12, 12);
    e.padding = nk_vec2(8, 6);
}

void style_scrollbar(nk_style_scrollbar& s) {
    s.normal = s.hover = s.active = nk_style_item_color(NIGHT);
    s.border_color = EDGE;
    s.cursor_normal = nk_style_item_color(EDGE);
    s.cursor_hover = s.cursor_active = nk_style_item_color(TEAL);
    s.border = 0;
    s.rounding = 4;
    s.show_buttons = nk_false;
}

void style_selectable(nk_style_selectable& s) {
    s.normal = s.hover = nk_style_item_color(NIGHT);
    s.pressed = s.normal_active = s.hover_active = s.pressed_active = nk_style_item_color(SLATE);
    s.text_normal = s.text_hover = s.text_pressed = GREY_EDGE;
    s.text_normal_active = s.text_hover_active = s.text_pressed_active = TEAL;
    s.rounding = 4;
}

void style_window(nk_style_window& w) {
    w.header.normal = w.header.hover = w.header.active = nk_style_item_color(SLATE);
    w.header.label_normal = w.header.label_hover = TEXT;
    w.header.label_active = TEAL;
    w.header.padding = nk_vec2(10, 8);
    w.fixed_background = nk_style_item_color(NIGHT);
    w.background = NIGHT;
    w.border_color = w.group_border_color = EDGE;
    w.border = 1;
    w.group_border = 1;
    w.rounding = 6;
    w.spacing = nk_vec2(0, 4);
    w.scrollbar_size = nk_vec2(0, 0);  // window and group scroll bars take no room
    w.padding = nk_vec2(0, 0);
    w.group_padding = nk_vec2(10, 10);
}

bool register_window_class(HINSTANCE instance) {
    WNDCLASSW window_class{};
    window_class.style = CS_DBLCLKS;  // the log box selects a word on double click
    window_class.lpfnWndProc = gui_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(ICON_RESOURCE));
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.lpszClassName = WINDOW_CLASS;
    return RegisterClassW(&window_class) != 0;
}

HWND create_centred_window(HINSTANCE instance, int width, int height) {
    RECT frame{0, 0, width, height};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WINDOW_EX_STYLE);
    // Centred by the client size, not the framed one.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return CreateWindowExW(WINDOW_EX_STYLE, WINDOW_CLASS, WINDOW_TITLE, WINDOW_STYLE, x, y,
                           frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
}

float screen_dpi_scale() {
    HDC screen = GetDC(nullptr);
    const int pixels_per_inch = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return static_cast<float>(pixels_per_inch) / 96.0f;
}

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

// A press in the drag strip moves the window like its caption would.
LRESULT hit_test(HWND window, WPARAM wparam, LPARAM lparam) {
    const LRESULT answer = DefWindowProcW(window, WM_NCHITTEST, wparam, lparam);
    if (answer != HTCLIENT) return answer;
    POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    ScreenToClient(window, &point);
    return point.y < DRAG_STRIP_HEIGHT ? HTCAPTION : HTCLIENT;
}

bool is_mouse_button(UINT message) { return message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK; }

// Escape, F5, Control+L, Control+S and the items view's keys; false for every other key.
// Once the loop has ended they are swallowed: the teardown still dispatches
// messages while it waits for a worker, and a scan started then would be
// waited for by nobody. Escape stops a running job, and closes the window
// only when nothing runs.
bool handle_shortcut(WPARAM key) {
    const bool control = GetKeyState(VK_CONTROL) & 0x8000;
    const bool shortcut = key == VK_ESCAPE || key == VK_F5 || ((key == 'L' || key == 'S') && control);
    if (!g_gui.running) return shortcut;
    if (g_gui.confirming) return gui_confirm_key(key);
    switch (key) {
    case VK_ESCAPE:
        if (g_gui.view == ContentView::ITEMS && gui_items_view_key(key, control)) return true;
        if (gui_busy()) {
            g_gui.cancel_requested = true;
        } else {
            g_gui.running = false;
        }
        return true;
    case VK_F5:
        if (!gui_busy()) gui_start_scan();
        return true;
    default:
        if (shortcut && key == 'S') {
            gui_export_plan();
            return true;
        }
        if (shortcut) {
            gui_request_clean();
            return true;
        }
        return g_gui.view == ContentView::ITEMS && gui_items_view_key(key, control);
    }
}

}  // namespace

void gui_apply_style(nk_context* ui) {
    nk_style& style = ui->style;
    style.text.color = TEXT;
    style.text.padding = nk_vec2(4, 4);
    style_button(style.button);
    style_checkbox(style.checkbox);
    style.option = style.checkbox;
    style.option.border = 2;
    style_edit(style.edit);
    style_scrollbar(style.scrollh);
    style.scrollv = style.scrollh;
    style.scrollv.show_buttons = nk_false;
    style_selectable(style.selectable);
    style_window(style.window);
}

bool gui_init(int width, int height) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!register_window_class(instance)) return false;
    g_gui.window = create_centred_window(instance, width, height);
    if (!g_gui.window) return false;
    g_gui.dpi_scale = screen_dpi_scale();
    HDC window_dc = GetDC(g_gui.window);
    if (!window_dc) return false;
    g_gui.font = create_font(static_cast<int>(g_gui.dpi_scale * BASE_FONT_PIXELS));
    if (!g_gui.font) {
        ReleaseDC(g_gui.window, window_dc);
        return false;
    }
    g_gui.ui = gdi_backend_init(g_gui.font.get(), window_dc, static_cast<unsigned>(width), static_cast<unsigned>(height));
    gdi_backend_set_font(g_gui.font.get());
    gui_apply_style(g_gui.ui);
    g_gui.window_dc = window_dc;
    if (!g_gui.ui || !g_gui.window) return false;
    g_gui.running = true;
    return true;
}

bool gui_pump_messages(PumpBatch batch) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) g_gui.running = false;
        TranslateMessage(&message);
        DispatchMessageW(&message);
        if (batch == PumpBatch::UNTIL_MOUSE_BUTTON && is_mouse_button(message.message)) return true;
    }
    return false;
}

LRESULT CALLBACK gui_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_DESTROY:
        g_gui.running = false;
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        g_gui.running = false;
        DestroyWindow(window);
        return 0;
    case WM_NCHITTEST: return hit_test(window, wparam, lparam);
    case WM_KEYDOWN:
        if (handle_shortcut(wparam)) return 0;
        break;
    default: break;
    }
    if (g_gui.ui && gdi_backend_handle_event(window, message, wparam, lparam)) return 0;
    return DefWindowProcW(window, message, wparam, lparam);
}
