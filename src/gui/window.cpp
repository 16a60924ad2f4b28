#include "gui/gui_state.h"
#include "gui/items_view.h"
#include "gui/palette.h"

#include <algorithm>

GuiState g_gui;

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"NuklearWindowClass";
constexpr wchar_t WINDOW_TITLE[] = L"Tidewick";
constexpr int ICON_RESOURCE = 101;
constexpr DWORD WINDOW_STYLE = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
constexpr DWORD WINDOW_EX_STYLE = WS_EX_APPWINDOW;

using namespace palette;

struct nk_vec2 vec(int x, int y) { return nk_vec2(static_cast<float>(x), static_cast<float>(y)); }

void style_button(nk_style_button& b, const GuiMetrics& m) {
    b.normal = b.hover = b.active = nk_style_item_color(TEAL);
    b.border_color = TEAL;
    b.text_normal = b.text_hover = b.text_active = SLATE;
    b.border = 0;
    b.rounding = static_cast<float>(m.button_rounding);
    b.padding = vec(m.button_padding_x, m.button_padding_y);
}

void style_checkbox(nk_style_toggle& c, const GuiMetrics& m) {
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
    c.touch_padding = vec(m.check_touch_padding, m.check_touch_padding);
    c.spacing = static_cast<float>(m.check_spacing);
    c.border = static_cast<float>(m.check_border);
}

void style_edit(nk_style_edit& e, const GuiMetrics& m) {
    e.normal = e.hover = e.active = nk_style_item_color(SLATE);
    e.border_color = EDGE;
    e.text_normal = e.text_hover = e.text_active = TEXT;
    e.selected_normal = e.selected_hover = TEAL;
    e.selected_text_normal = e.selected_text_hover = SLATE;
    e.border = static_cast<float>(m.border);
    e.rounding = static_cast<float>(m.edit_rounding);
    e.cursor_size = static_cast<float>(m.edit_cursor);
    e.row_padding = static_cast<float>(m.edit_row_padding);
    e.scrollbar_size = vec(m.edit_scrollbar, m.edit_scrollbar);
    e.padding = vec(m.edit_padding_x, m.edit_padding_y);
}

void style_scrollbar(nk_style_scrollbar& s, const GuiMetrics& m) {
    s.normal = s.hover = s.active = nk_style_item_color(NIGHT);
    s.border_color = EDGE;
    s.cursor_normal = nk_style_item_color(EDGE);
    s.cursor_hover = s.cursor_active = nk_style_item_color(TEAL);
    s.border = 0;
    s.rounding = static_cast<float>(m.edit_rounding);
    s.show_buttons = nk_false;
}

void style_selectable(nk_style_selectable& s) {
    s.normal = s.hover = nk_style_item_color(NIGHT);
    s.pressed = s.normal_active = s.hover_active = s.pressed_active = nk_style_item_color(SLATE);
    s.text_normal = s.text_hover = s.text_pressed = GREY_EDGE;
    s.text_normal_active = s.text_hover_active = s.text_pressed_active = TEAL;
    s.rounding = 4;
}

void style_window(nk_style_window& w, const GuiMetrics& m) {
    w.header.normal = w.header.hover = w.header.active = nk_style_item_color(SLATE);
    w.header.label_normal = w.header.label_hover = TEXT;
    w.header.label_active = TEAL;
    w.header.padding = vec(m.header_padding_x, m.header_padding_y);
    w.fixed_background = nk_style_item_color(NIGHT);
    w.background = NIGHT;
    w.border_color = w.group_border_color = EDGE;
    w.border = static_cast<float>(m.border);
    w.group_border = static_cast<float>(m.border);
    w.rounding = static_cast<float>(m.window_rounding);
    w.spacing = vec(0, m.row_spacing);
    w.scrollbar_size = nk_vec2(0, 0);  // window and group scroll bars take no room
    w.padding = nk_vec2(0, 0);
    w.group_padding = vec(m.group_padding, m.group_padding);
}

bool register_window_class(HINSTANCE instance) {
    WNDCLASSW window_class{};
    // The log box selects a word on double click. The window keeps its DC for
    // the whole run, so it is a DC of its own that follows every size change;
    // a size change repaints the whole client area.
    window_class.style = CS_DBLCLKS | CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = gui_window_proc;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(ICON_RESOURCE));
    window_class.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    window_class.lpszClassName = WINDOW_CLASS;
    return RegisterClassW(&window_class) != 0;
}

// The outer size of the window for a client area of `client`.
SIZE framed_size(SIZE client) {
    RECT frame{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WINDOW_EX_STYLE);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

HWND create_centred_window(HINSTANCE instance, int width, int height) {
    const SIZE framed = framed_size({width, height});
    // Centred by the client size, not the framed one.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    return CreateWindowExW(WINDOW_EX_STYLE, WINDOW_CLASS, WINDOW_TITLE, WINDOW_STYLE, x, y, framed.cx, framed.cy,
                           nullptr, nullptr, instance, nullptr);
}

// Below the minimum client area something would be cut.
void limit_tracking(MINMAXINFO* limits) {
    const SIZE minimum = framed_size(g_gui.metrics.minimum_client);
    limits->ptMinTrackSize.x = std::max<LONG>(limits->ptMinTrackSize.x, minimum.cx);
    limits->ptMinTrackSize.y = std::max<LONG>(limits->ptMinTrackSize.y, minimum.cy);
}

// A press in the drag strip moves the window like its caption would.
LRESULT hit_test(HWND window, WPARAM wparam, LPARAM lparam) {
    const LRESULT answer = DefWindowProcW(window, WM_NCHITTEST, wparam, lparam);
    if (answer != HTCLIENT) return answer;
    POINT point{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    ScreenToClient(window, &point);
    return point.y < g_gui.metrics.drag_strip ? HTCAPTION : HTCLIENT;
}

bool is_mouse_button(UINT message) { return message >= WM_LBUTTONDOWN && message <= WM_MBUTTONDBLCLK; }

// Escape, F5, Control+L, Control+S and the items view's keys; false for every
// other key. Once the loop has ended they are swallowed: the teardown still
// dispatches messages while it waits for a worker, and a scan started then
// would be waited for by nobody. Escape stops a running job, and closes the
// window only when nothing runs.
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

void gui_apply_style(nk_context* ui, const GuiMetrics& m) {
    nk_style& style = ui->style;
    style.text.color = TEXT;
    style.text.padding = vec(m.text_padding, m.text_padding);
    style_button(style.button, m);
    style_checkbox(style.checkbox, m);
    style.option = style.checkbox;
    style.option.border = static_cast<float>(m.check_border);
    style_edit(style.edit, m);
    style_scrollbar(style.scrollh, m);
    style.scrollv = style.scrollh;
    style.scrollv.show_buttons = nk_false;
    style_selectable(style.selectable);
    style_window(style.window, m);
}

bool gui_init(int width, int height) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!register_window_class(instance)) return false;
    // Opened at the system's DPI; a window that lands on a monitor with
    // another is resized once it knows its own.
    int dpi = gui_window_dpi(nullptr);
    g_gui.window = create_centred_window(instance, gui_scale(width, dpi), gui_scale(height, dpi));
    if (!g_gui.window) return false;
    HDC window_dc = GetDC(g_gui.window);
    if (!window_dc) return false;
    const int window_dpi = gui_window_dpi(g_gui.window);
    auto font = gui_font_for_dpi(window_dpi);
    if (!font) {
        ReleaseDC(g_gui.window, window_dc);
        return false;
    }
    RECT client{};
    GetClientRect(g_gui.window, &client);
    g_gui.ui = gdi_backend_init(font.get(), window_dc, static_cast<unsigned>(client.right), static_cast<unsigned>(client.bottom));
    gui_use_font(std::move(font), window_dpi);
    if (window_dpi != dpi) {
        const SIZE framed = framed_size({gui_scale(width, window_dpi), gui_scale(height, window_dpi)});
        SetWindowPos(g_gui.window, nullptr, 0, 0, framed.cx, framed.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
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
    case WM_GETMINMAXINFO: limit_tracking(reinterpret_cast<MINMAXINFO*>(lparam)); return 0;
    case WM_DPICHANGED:
        // Both halves of wparam carry the new DPI; lparam the rectangle Windows suggests.
        if (g_gui.ui) gui_rescale(window, LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
        return 0;
    case WM_KEYDOWN:
        if (handle_shortcut(wparam)) return 0;
        break;
    default: break;
    }
    if (g_gui.ui && gdi_backend_handle_event(window, message, wparam, lparam)) return 0;
    return DefWindowProcW(window, message, wparam, lparam);
}
